#pragma once

#include "sim/PtyDevice.h"

#include <QByteArray>
#include <QtGlobal>

namespace tolvo::sim {

// A season-card reader of one model (the gate tables' model codes 0..9) at the far
// end of a pseudo-terminal. It presents cards in its model's frames and keeps what
// the station sends back to it (own-controller barrier commands, refusals).
class SeasonReaderSim {
public:
    explicit SeasonReaderSim(quint8 model) : m_model(model) { m_pty.replier = nullptr; }

    bool ok() const { return m_pty.ok(); }
    QString slavePath() const { return m_pty.slavePath(); }

    // What the reader sends for a card: the digits it carries (ID Tech and HOST PASS 6,
    // TAG Master and CREDIPASS 8, Remocon(N) 5, 리츠앤 7, FIRSTECH 4, Remocon(T) a
    // number up to 4095), the direction letter for the 리츠앤 readers. Framed models
    // add the block check after ETX, as the readers do. Empty when the model cannot
    // carry the card.
    static QByteArray CardFrame(quint8 model, const QByteArray& digits, char direction = 'I');

    void presentCard(const QByteArray& digits, char direction = 'I') { m_pty.send(CardFrame(m_model, digits, direction)); }
    void sendRaw(const QByteArray& bytes) { m_pty.send(bytes); }
    const QByteArray& received() const { return m_pty.received; }
    bool waitForReceived(int n, int timeoutMs = 2000) { return m_pty.waitForReceived(n, timeoutMs); }

private:
    quint8 m_model;
    PtyDevice m_pty;
};

} // namespace tolvo::sim
