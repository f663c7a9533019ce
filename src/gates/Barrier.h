#pragma once

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <QtGlobal>

namespace tolvo {

struct Station;

// The M/S ticket dispenser's output ports used as an entrance barrier: "on" at
// once, "off" OffDelayMs after the last request, from a timer so that no event
// loop runs inside the caller. A request within the window sends "on" again and
// restarts the timer: one "off" follows the last request. The "off" is also sent
// when the dispenser's port closes first.
class DispenserPair {
public:
    static constexpr int OffDelayMs = 300;

    explicit DispenserPair(Station& st);
    DispenserPair(const DispenserPair&) = delete;
    DispenserPair& operator=(const DispenserPair&) = delete;

    void request();
    bool offPending() const;

    static QByteArray OnFrame();  // STX "C00200000001" ETX BCC
    static QByteArray OffFrame(); // STX "C00200000000" ETX BCC

private:
    void off();

    Station& m_st;
    QTimer m_timer;
    int m_pulse = 0;
    const void* m_comm = nullptr; // the port array the pulse belongs to
};

// Barrier opening and refusal of the season gates by their gate-control setting,
// the reader model and, for the dispenser, its model. Gate numbers are port
// indexes: entrances 1 and 3, exits 2 and 5; 1 and 3 at an exit are the exit
// direction of a combined reader on that entrance port.
class Barriers {
public:
    explicit Barriers(Station& st) : m_pair(st) {}

    void OpenIn(Station& st, qint16 gate);
    void OpenOut(Station& st, qint16 gate);
    // Refusal signal: "N" to a Remocon(N) reader's own port, nothing for other models.
    static void Refuse(Station& st, qint16 gate);

    DispenserPair& dispenserPair() { return m_pair; }

private:
    DispenserPair m_pair;
};

} // namespace tolvo
