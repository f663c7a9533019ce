#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <QtGlobal>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

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

// How many event loops run one inside another on this thread: the
// application's, and one more for each modal dialog open (a wait that runs
// events does not count).
inline int EventLoopLevel()
{
    const QThread* t = QThread::currentThread();
    return t ? t->loopLevel() : 0;
}

// Items (frames, cards) of a link that arrive while the link's own handling
// runs below them (a handler waits for its device, and events run) are held
// and handled after it, in arrival order, by one loop: the link's handling
// never runs inside itself and the stack does not grow with the backlog.
// Nothing is held for a dialog: once a modal dialog has opened above the
// link's handling, held items and new ones are handled at once, inside the
// dialog's loop, as when the link is idle.
template <typename Item> class HeldQueue {
public:
    using Handler = std::function<void(const Item&)>;

    HeldQueue() = default;
    HeldQueue(const HeldQueue&) = delete;
    HeldQueue& operator=(const HeldQueue&) = delete;

    void setHandler(Handler handle) { m_handle = std::move(handle); }

    // The link's handling runs now (a handler, or a scope marking the link busy).
    bool busy() const { return !m_levels.empty(); }
    // Items that may wait are held now: the link's innermost handling runs
    // below, and no dialog has opened since it began.
    bool holding() const { return busy() && EventLoopLevel() <= m_levels.back(); }
    bool empty() const { return m_held.empty(); }
    qsizetype size() const { return qsizetype(m_held.size()); }

    // Handles the item now, or holds it behind what is held already.
    void offer(Item item, bool mayWait)
    {
        if (!mayWait) {
            run(item);
            return;
        }
        m_held.push_back(std::move(item));
        drain();
    }
    void enter() { m_levels.push_back(EventLoopLevel()); }
    // The end of a handling: what it held back runs now.
    void leave()
    {
        m_levels.pop_back();
        drain();
    }
    // Handles what was held, in arrival order, as long as nothing holds it back.
    void drain()
    {
        // A drain at this level runs below and takes them in their turn.
        if (m_drainLevel >= EventLoopLevel()) return;
        drainWhile([this] { return !holding(); });
    }
    // Handles what was held at once, even inside the link's own handling: for
    // a way in that must not overtake an item that arrived before it.
    void catchUp() { drainWhile([] { return true; }); }

private:
    void run(const Item& item)
    {
        enter();
        const auto done = qScopeGuard([this] { leave(); });
        if (m_handle) m_handle(item);
    }
    template <typename May> void drainWhile(May&& may)
    {
        const int outer = std::exchange(m_drainLevel, std::max(m_drainLevel, EventLoopLevel()));
        const auto restore = qScopeGuard([&] { m_drainLevel = outer; });
        while (!m_held.empty() && may()) {
            const Item next = std::move(m_held.front());
            m_held.pop_front();
            run(next);
        }
        wakeWhileHeld();
    }
    // A dialog may open above the handling that holds items: a light timer
    // looks again meanwhile, so they do not wait for the dialog to close.
    void wakeWhileHeld()
    {
        if (m_held.empty()) {
            if (m_wake) m_wake->stop();
            return;
        }
        if (!QCoreApplication::instance()) return;
        if (!m_wake) {
            m_wake = std::make_unique<QTimer>();
            m_wake->setInterval(kWakeMs);
            QObject::connect(m_wake.get(), &QTimer::timeout, [this] { drain(); });
        }
        if (!m_wake->isActive()) m_wake->start();
    }

    static constexpr int kWakeMs = 100;
    std::vector<int> m_levels; // the event loop level at which each handling began
    int m_drainLevel = -1;     // the loop level of the innermost drain running
    std::deque<Item> m_held;
    Handler m_handle;
    std::unique_ptr<QTimer> m_wake;
};

} // namespace tolvo
