#pragma once

#include "core/Station.h"
#include "serial/ByteFramer.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// The pure part of the host link's receiving side: turning a frame's bytes
// into text, and reading what the text says.
namespace tolvo {

// Host and master frames alike: STX opens, ETX closes, ENQ and DLE are
// answered wherever they come.
ByteRole ClassifyHostByte(quint8 byte);

// One character per byte below 0x80; a byte of 0x80 or more with the byte after
// it as one code-page-949 character. A pair that is no character, or a lead
// byte with nothing after it, gives one replacement character.
QString RxBytesToText(const QByteArray& bytes);

// An acknowledgement whose leading name matched one of the accepted forms.
struct AckMatch {
    HostKind kind;
    bool keyMatches; // the key equals the awaited record key
    bool traced;     // its trace line is written
};
// The acknowledgement forms by length; nothing when the text is none of them.
std::optional<AckMatch> MatchAck(const QString& text, const QString& awaitedKey);

// The time a 23-character clock frame gives (characters 10-23, yyyyMMddhhnnss),
// or nothing when it is not a real date and time of the years 2000 to 2099.
std::optional<QDateTime> ClockFrameTime(const QString& text);

} // namespace tolvo
