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
    m_read.feed(bytes, [this](quint8 byte) {
        handle(byte);
        return true;
    });
}

void ByteFramer::reset()
{
    m_state = State::Idle;
    m_buffer.clear();
    m_frame.clear();
    m_read.dropPending();
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
    const bool mayWait = holdWhileBusy && holdWhileBusy(frame);
    m_held.offer(Frame{frame, trailer}, mayWait);
}

void ByteFramer::handleFrame(const Frame& f)
{
    guarded(f.first, [&] {
        if (onFrame) onFrame(f.first, f.second);
    });
}

void ByteFramer::bindHeld()
{
    m_held.setHandler([this](const Frame& f) { handleFrame(f); });
    m_held.setFold([this](const Frame& last, const Frame& next) {
        return foldHeld ? foldHeld(last.first, next.first) : HeldFold::Apart;
    });
}

} // namespace tolvo
