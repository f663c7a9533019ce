#include "serial/ByteFramer.h"

#include <exception>

namespace tolvo {

ByteRole ClassifyStxEtx(quint8 byte)
{
    switch (byte) {
    case 0x02: return ByteRole::Start;
    case 0x03: return ByteRole::End;
    case 0x05:
    case 0x06:
    case 0x15: return ByteRole::Control;
    default: return ByteRole::Data;
    }
}

void ByteFramer::feed(const QByteArray& bytes)
{
    m_pending += bytes;
    while (m_pos < m_pending.size()) {
        const auto byte = static_cast<quint8>(m_pending[m_pos++]);
        handle(byte);
    }
    m_pending.clear();
    m_pos = 0;
}

void ByteFramer::reset()
{
    m_state = State::Idle;
    m_buffer.clear();
    m_frame.clear();
    m_pending.clear();
    m_pos = 0;
}

template <typename F> void ByteFramer::guarded(const QByteArray& frame, F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        if (onError) onError(frame, QString::fromUtf8(e.what()));
    } catch (...) {
        if (onError) onError(frame, QStringLiteral("알 수 없는 오류"));
    }
}

void ByteFramer::handle(quint8 byte)
{
    if (m_state == State::Trailer) {
        append(byte);
        if (m_buffer.size() >= m_options.trailerBytes) {
            QByteArray trailer;
            trailer.swap(m_buffer);
            QByteArray frame;
            frame.swap(m_frame);
            m_state = State::Idle;
            deliver(frame, trailer);
        }
        return;
    }
    const ByteRole role = classify ? classify(byte) : ByteRole::Data;
    switch (role) {
    case ByteRole::Control:
        guarded({}, [&] {
            if (onControl) onControl(byte);
        });
        return;
    case ByteRole::Start:
        m_buffer.clear();
        m_state = State::InFrame;
        return;
    case ByteRole::End:
        if (m_state == State::InFrame || (m_state == State::Idle && m_options.dataOutsideFrame)) complete();
        return;
    case ByteRole::Data:
        if (m_state == State::InFrame || (m_state == State::Idle && m_options.dataOutsideFrame)) append(byte);
        return;
    }
}

void ByteFramer::append(quint8 byte)
{
    if (m_buffer.size() >= m_options.capBytes) {
        const qsizetype dropped = m_buffer.size() + 1;
        m_buffer.clear();
        m_frame.clear();
        m_state = State::Discarding;
        if (onOverflow) onOverflow(dropped);
        return;
    }
    m_buffer.append(static_cast<char>(byte));
}

void ByteFramer::complete()
{
    QByteArray frame;
    frame.swap(m_buffer);
    if (m_options.trailerBytes > 0 && !(endsWithoutTrailer && endsWithoutTrailer(frame))) {
        m_frame = frame;
        m_state = State::Trailer;
        return;
    }
    m_state = State::Idle;
    deliver(frame, {});
}

void ByteFramer::deliver(const QByteArray& frame, const QByteArray& trailer)
{
    if (m_busy > 0 && holdWhileBusy && holdWhileBusy(frame)) {
        m_held.emplace_back(frame, trailer);
        return;
    }
    handleFrame(frame, trailer);
}

void ByteFramer::handleFrame(const QByteArray& frame, const QByteArray& trailer)
{
    const Busy busy(*this);
    guarded(frame, [&] {
        if (onFrame) onFrame(frame, trailer);
    });
}

void ByteFramer::leaveBusy()
{
    if (--m_busy > 0 || m_draining) return;
    // Each held frame runs busy in turn; what arrives meanwhile queues behind it.
    // One loop drains them all, so the stack does not grow with the backlog.
    m_draining = true;
    while (!m_held.empty()) {
        auto [frame, trailer] = std::move(m_held.front());
        m_held.pop_front();
        handleFrame(frame, trailer);
    }
    m_draining = false;
}

} // namespace tolvo
