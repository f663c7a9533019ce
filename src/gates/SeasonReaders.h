#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace tolvo {

struct Station;

// Reader models of the season gates (기종 of the gate tables).
enum SeasonReaderModel : quint8 {
    ReaderIDTech = 0, ReaderTagMaster, ReaderRemoconT, ReaderRemoconN, ReaderPetCard,
    ReaderHostPass, ReaderFirstech, ReaderCredipass, ReaderDirA, ReaderDirB, ReaderModelCount
};

inline constexpr int SeasonRxCap = 64; // a gate's receive buffer, in characters

// The card number of a complete frame of a framed model (ID Tech, TAG Master,
// Remocon(N), CREDIPASS, 리츠앤A/B), or nothing when the length is not the model's.
std::optional<QString> FramedCard(quint8 model, const QString& frame);

// SeasonHostFrame: STX, the tag and the reader's text in 20 characters, ETX, block check.
QByteArray SeasonHostFrame(const QString& tag, const QString& text);

// The receive routine of a gate (0..3, see SeasonGateIndex) and reader model:
// reads the gate's port once and handles every byte. HOST PASS forwards to the host.
// A frame that completes while the gate handles another (a barrier wait runs
// events) is handled after it, in arrival order. A frame past the buffer's cap is
// never decided; HOST PASS forwards its first characters.
void SeasonReceive(Station& st, int gateIndex, quint8 model);

// Whether a gate has a receive routine for a model (PET_CARD none; 리츠앤A only
// at the entrances).
bool HasSeasonReceive(int gateIndex, quint8 model);

} // namespace tolvo
