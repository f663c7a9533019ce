#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <deque>
#include <utility>

// What the receive side of a device link needs because its handlers wait: a
// wait runs events, and with them the link's own receive routine again.
namespace tolvo {

// The read being worked through. A nested read first takes the bytes the outer
// one has not reached yet, then its own, so nothing is lost or reordered.
class NestedRead {
public:
    // Calls byte(b) for each byte in turn; byte returning false drops the rest.
    template <typename ByteFn> void feed(const QByteArray& bytes, ByteFn&& byte)
    {
        m_pending += bytes;
        while (m_pos < m_pending.size())
            if (!byte(static_cast<quint8>(m_pending[m_pos++]))) break;
        dropPending();
    }
    // Ends the read: its bytes not handled yet are dropped.
    void dropPending()
    {
        m_pending.clear();
        m_pos = 0;
    }

private:
    QByteArray m_pending;
    qsizetype m_pos = 0;
};

// Items (frames, cards) that arrive while the link is busy wait their turn:
// they are handled after the busy work ends, in arrival order, by one loop, so
// the stack does not grow with the backlog.
template <typename Item> class HeldQueue {
public:
    bool busy() const { return m_busy > 0; }
    bool empty() const { return m_held.empty(); }
    qsizetype size() const { return qsizetype(m_held.size()); }

    // Handles the item now (busy meanwhile), or holds it when the link is busy
    // and it may wait.
    template <typename Handle> void offer(Item item, bool mayWait, Handle&& handle)
    {
        if (busy() && mayWait) {
            m_held.push_back(std::move(item));
            return;
        }
        enter();
        handle(std::as_const(item));
        leave(handle);
    }
    void enter() { ++m_busy; }
    // The outermost busy work to end handles what was held meanwhile.
    template <typename Handle> void leave(Handle&& handle)
    {
        if (--m_busy > 0 || m_draining) return;
        m_draining = true;
        while (!m_held.empty()) {
            const Item next = std::move(m_held.front());
            m_held.pop_front();
            ++m_busy;
            handle(next);
            --m_busy;
        }
        m_draining = false;
    }

private:
    int m_busy = 0;
    bool m_draining = false;
    std::deque<Item> m_held;
};

} // namespace tolvo
