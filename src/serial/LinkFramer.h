#pragma once

#include <QByteArray>
#include <deque>
#include <functional>

namespace tolvo {

// The byte side of an STX...ETX device link. Every read is fed whole; bytes are
// taken strictly in arrival order, also when a frame handler sends a command and
// its reply is fed by a nested receive event while the outer feed still holds
// unread bytes (the nested feed takes them first, in order). The frame text is
// moved out and the buffer cleared before the handler runs, so nothing the
// handler waits for can be lost or mixed into it. The buffer is capped.
class LinkFramer {
public:
    struct Handlers {
        std::function<void(const QByteArray& text)> onFrame; // the bytes between STX and ETX
        std::function<void(char control)> onControl;         // a control byte of the link's own
    };

    // controls: the bytes that go to onControl instead of the buffer.
    LinkFramer(QByteArray controls, Handlers handlers, int cap = 1024);

    // A handler that throws ends the read: its unread bytes are dropped, the
    // error goes on to the caller.
    void feed(const QByteArray& bytes);
    // Forgets the bytes of this read that are not taken yet.
    void dropPending() { m_pending.clear(); }
    // Empties the buffer and the bytes not taken (port set-up).
    void reset();

    bool inFrame() const { return m_inFrame; }
    const QByteArray& buffer() const { return m_buf; }

private:
    void take(char c);

    QByteArray m_controls;
    Handlers m_handlers;
    int m_cap;
    QByteArray m_buf;
    std::deque<char> m_pending;
    bool m_inFrame = false;
};

} // namespace tolvo
