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

// What a link makes of an item that arrives while items are held.
enum class HeldFold {
    Apart,       // held behind the others
    DropNew,     // the last one held stands for it (the same card reported again)
    ReplaceLast, // it stands for the last one held (one refusal for a run of them)
};

// Items (frames, cards) of a link wait, and are then handled in arrival order
// by one loop, so the link's handling never runs inside itself and the stack
// does not grow with the backlog. An item waits:
// - while the link's own handling runs below it at the same event-loop level
//   (a handler waits for its device, and events run);
// - while a box that the link's own handling opened is open, even below
//   another dialog: the cashier answers it first, and the link has one box
//   open at a time;
// - while the link is paused: a ticket-reader card waits for the exit under way
//   (a lookup with its prompt, a typed ticket until it is completed or
//   cancelled, a cancellation, a completion, and any box they opened).
// Nothing else holds an item: a dialog that anything else opened (the
// cashier's prompt, a menu screen, another link's box) lets it in at once,
// and the link's handling then runs once more inside that dialog, never
// deeper. Items that fold into the last one held take no room: whatever a
// device sends, nesting, stack and memory stay bounded. Code that waits or
// opens a box checks again, afterwards, what it is about to act on.
template <typename Item> class HeldQueue {
public:
    using Handler = std::function<void(const Item&)>;
    using Fold = std::function<HeldFold(const Item& last, const Item& next)>;

    HeldQueue() = default;
    HeldQueue(const HeldQueue&) = delete;
    HeldQueue& operator=(const HeldQueue&) = delete;

    void setHandler(Handler handle) { m_handle = std::move(handle); }
    void setFold(Fold fold) { m_fold = std::move(fold); }

    // The link's handling runs now (a handler, or a scope marking the link busy).
    bool busy() const { return !m_levels.empty(); }
    // Items that may wait are held now (see above).
    bool holding() const
    {
        if (m_paused > 0) return true;
        if (!busy()) return false;
        const int level = EventLoopLevel();
        if (level <= m_levels.back()) return true;
        if (m_boxes > 0) return true; // one of the link's boxes at a time
        return m_levels.size() >= kMaxDepth;
    }
    bool empty() const { return m_held.empty(); }
    qsizetype size() const { return qsizetype(m_held.size()); }

    // Handles the item now, or holds it behind what is held already.
    void offer(Item item, bool mayWait)
    {
        if (!mayWait) {
            run(item);
            return;
        }
        if (holding() && !m_held.empty() && m_fold) {
            switch (m_fold(m_held.back(), item)) {
            case HeldFold::DropNew: return;
            case HeldFold::ReplaceLast: m_held.back() = std::move(item); return;
            case HeldFold::Apart: break;
            }
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
    // A box the link's own handling opens (boxOpening just before it, boxClosed after).
    void boxOpening() { ++m_boxes; }
    void boxClosed() { --m_boxes; }
    // Items wait, whatever runs or opens, until as many resume() calls.
    void pause() { ++m_paused; }
    void resume()
    {
        if (m_paused > 0) --m_paused;
        drain();
    }
    // Handles what was held, in arrival order, as long as nothing holds it back.
    void drain()
    {
        // A drain at this level runs below and takes them in their turn.
        if (m_drainLevel >= EventLoopLevel()) return;
        drainWhile([this] { return !holding(); });
    }
    // Handles what was held at once, even inside the link's own handling (but
    // not while paused): for a way in that must not overtake an item that
    // arrived before it.
    void catchUp()
    {
        drainWhile([this] { return m_paused == 0; });
    }

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
    // The handling runs at most once more inside a dialog opened above it.
    static constexpr std::size_t kMaxDepth = 2;
    std::vector<int> m_levels; // the event loop level at which each handling began
    int m_boxes = 0;           // the link's own boxes open
    int m_paused = 0;
    int m_drainLevel = -1; // the loop level of the innermost drain running
    std::deque<Item> m_held;
    Handler m_handle;
    Fold m_fold;
    std::unique_ptr<QTimer> m_wake;
};

} // namespace tolvo
