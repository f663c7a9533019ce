#pragma once

#include "core/Station.h"
#include "serial/ByteFramer.h"

#include <QString>
#include <memory>

// A master station's side of the link on port 9, where another station's host
// port sends its records: the handshake, the frames with their block check,
// and each record handed to its store.
namespace tolvo {

class MasterLink {
public:
    explicit MasterLink(Station& st);
    MasterLink(const MasterLink&) = delete;
    MasterLink& operator=(const MasterLink&) = delete;

    // Reads everything waiting on port 9 and handles it in order.
    void receive();
    // Forgets a half-received frame (port set-up).
    void reset() { m_framer.reset(); }

private:
    void onControl(quint8 byte);
    void onFrame(const QByteArray& frame, const QByteArray& trailer);
    void traceFailure(const QString& cause);

    Station& m_st;
    ByteFramer m_framer;
    QString m_lastFailure; // traced once until a record is stored again
};

// Acts on one frame's text whose block check matched: the port test, or a
// record of a known length and leading code for its store.
void Master_HandleText(Station& st, const QString& text);

// Fills st.routines.Master_Receive (port 9 without an exit reader) and
// registers the frame reset with the port set-up.
std::shared_ptr<MasterLink> AttachMaster(Station& st);

} // namespace tolvo
