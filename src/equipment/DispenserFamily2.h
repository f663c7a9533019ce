#pragma once

#include "serial/ByteFramer.h"

#include <QByteArray>
#include <QString>

namespace tolvo {

struct Station;

// The second dispenser family (models 0, 3 and 4) on port 0: the dispenser
// reports each ticket by itself in a 14- or 18-character frame; the station
// answers its ACK with ENQ and the unit number. Model 4's frames are dropped.
class DispenserFamily2 {
public:
    explicit DispenserFamily2(Station& st);

    // Reads what arrived on port 0 and handles it.
    void TD_Receive4101();
    // Handles one read (the receive side without the port).
    void feed(const QByteArray& bytes);
    void reset() { m_framer.reset(); }

private:
    void onControl(quint8 byte);
    void onFrame(const QByteArray& frame);
    void TD_Entry14(const QString& t);
    void TD_EntryStatus18(const QString& t);

    Station& m_st;
    ByteFramer m_framer;
};

} // namespace tolvo
