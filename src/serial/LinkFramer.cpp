#include "serial/LinkFramer.h"

namespace tolvo {

namespace {
constexpr char STX = '\x02';
constexpr char ETX = '\x03';
} // namespace

LinkFramer::LinkFramer(QByteArray controls, Handlers handlers, int cap)
    : m_controls(std::move(controls)), m_handlers(std::move(handlers)), m_cap(cap > 0 ? cap : 1)
{
}

void LinkFramer::feed(const QByteArray& bytes)
{
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    try {
        while (!m_pending.empty()) {
            const char c = m_pending.front();
            m_pending.pop_front();
            take(c);
        }
    } catch (...) {
        m_pending.clear(); // a failing frame ends its read
        throw;
    }
}

void LinkFramer::reset()
{
    m_pending.clear();
    m_buf.clear();
    m_inFrame = false;
}

void LinkFramer::take(char c)
{
    if (c == STX) {
        m_buf.clear();
        m_inFrame = true;
        return;
    }
    if (c == ETX) {
        QByteArray text;
        text.swap(m_buf);
        m_inFrame = false;
        if (m_handlers.onFrame) m_handlers.onFrame(text);
        return;
    }
    if (m_controls.contains(c)) {
        if (m_handlers.onControl) m_handlers.onControl(c);
        return;
    }
    m_buf += c;
    // A line that never ends keeps only its newest bytes.
    if (m_buf.size() > m_cap) m_buf.remove(0, m_buf.size() - m_cap);
}

} // namespace tolvo
