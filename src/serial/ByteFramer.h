#pragma once

#include "core/LinkQueue.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <utility>

namespace tolvo {

// What a link makes of one received byte.
enum class ByteRole {
    Data,    // part of a frame
    Start,   // opens a frame (STX): what was buffered is dropped
    End,     // closes the frame (ETX)
    Control, // handled by the link at once (ACK, ENQ, ...), never buffered
};

// The receive side shared by the STX/ETX device links. Each read is fed whole;
// the buffer lives across reads and is capped. A complete frame is copied out
// and the buffer cleared before the frame is handled, and an error while
// handling it is reported and costs only that frame.
//
// feed() may be re-entered from inside a handler (a parser that sends and
// waits for its reply): the nested call first takes the bytes the outer call
// has not reached yet, then its own, so nothing is lost or reordered.
// STX opens, ETX closes, ENQ, ACK and NAK are the link's own answers: the
// classification most device links use.
ByteRole ClassifyStxEtx(quint8 byte);

class ByteFramer {
public:
    struct Options {
        int capBytes = 512;             // a longer frame is dropped whole
        bool dataOutsideFrame = false;  // bytes with no frame open are kept too
        int trailerBytes = 0;           // raw bytes after End that go with the frame
    };

    std::function<ByteRole(quint8 byte)> classify;
    std::function<void(quint8 byte)> onControl;
    std::function<void(const QByteArray& frame, const QByteArray& trailer)> onFrame;
    // With a trailer: true for a frame that comes without one (a link's own
    // short command), delivered at its End with an empty trailer.
    std::function<bool(const QByteArray& frame)> endsWithoutTrailer;
    // An error of a frame's handler (or of a control byte's: frame empty).
    std::function<void(const QByteArray& frame, const QString& cause)> onError;
    // A frame grew past the cap and was dropped; bytes wait for the next Start.
    std::function<void(qsizetype droppedBytes)> onOverflow;
    // While the link's own handling runs below (a frame's handler waits for
    // its device, and events run; or a Busy scope), a frame for which this says
    // true is held and handled after that handling ends, in arrival order: the
    // link's handling never runs inside itself. Frames that only answer a wait
    // or set a flag say false and are handled at once. They are held too while
    // one of the link's own boxes is open (OwnBox) or the link is paused, and
    // for nothing else (see HeldQueue).
    std::function<bool(const QByteArray& frame)> holdWhileBusy;
    // A frame that arrives while others are held: apart, or folded into the
    // last one held (see HeldFold). Unset: always apart.
    std::function<HeldFold(const QByteArray& last, const QByteArray& next)> foldHeld;

    ByteFramer() { bindHeld(); }
    explicit ByteFramer(Options options) : m_options(options) { bindHeld(); }
    ByteFramer(const ByteFramer&) = delete;
    ByteFramer& operator=(const ByteFramer&) = delete;

    // Marks the link busy for its lifetime, as a frame's handler does: frames
    // that may wait are held meanwhile, and handled when the outermost ends.
    class Busy {
    public:
        explicit Busy(ByteFramer& framer) : m_framer(framer) { m_framer.hold(); }
        ~Busy() { m_framer.release(); }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        ByteFramer& m_framer;
    };

    // A box that the link's own handling opens: frames that may wait are held
    // while it is open, as the cashier answers it first.
    class OwnBox {
    public:
        explicit OwnBox(ByteFramer& framer) : m_framer(framer) { m_framer.m_held.boxOpening(); }
        ~OwnBox() { m_framer.m_held.boxClosed(); }
        OwnBox(const OwnBox&) = delete;
        OwnBox& operator=(const OwnBox&) = delete;

    private:
        ByteFramer& m_framer;
    };

    void feed(const QByteArray& bytes);
    // Forgets the buffer, the open frame and any bytes not handled yet.
    void reset();
    // Ends the current read: its bytes not handled yet are dropped.
    void dropPending() { m_read.dropPending(); }
    // Empties the buffer only; a frame being received stays open.
    void clearBuffer() { m_buffer.clear(); }

    const QByteArray& buffer() const { return m_buffer; }
    bool inFrame() const { return m_state == State::InFrame; }
    bool busy() const { return m_held.busy(); }
    qsizetype heldFrames() const { return m_held.size(); }
    // Handles the held frames now, even inside the link's own handling.
    void catchUp() { m_held.catchUp(); }
    // Busy without a scope: each hold() is ended by one release(), which handles
    // what was held once nothing holds it back.
    void hold() { m_held.enter(); }
    void release() { m_held.leave(); }
    // Frames that may wait are held whatever runs, until as many resume() calls.
    void pause() { m_held.pause(); }
    void resume() { m_held.resume(); }

private:
    enum class State { Idle, InFrame, Trailer, Discarding };

    void handle(quint8 byte);
    void append(quint8 byte);
    void complete();
    void deliver(const QByteArray& frame, const QByteArray& trailer);
    template <typename F> void guarded(const QByteArray& frame, F&& f);
    using Frame = std::pair<QByteArray, QByteArray>; // the frame and its trailer
    void handleFrame(const Frame& f);
    void bindHeld();

    Options m_options;
    State m_state = State::Idle;
    QByteArray m_buffer;
    QByteArray m_frame; // a closed frame waiting for its trailer
    NestedRead m_read;
    // Complete frames held while busy; reset() keeps them, as they were received whole.
    HeldQueue<Frame> m_held;
};

} // namespace tolvo
