#pragma once

#include "core/Station.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// The pure part of the host link's receiving side: collecting the bytes of a
// frame, turning them into text, and reading what a frame's text says.
namespace tolvo {

// Bytes between STX and ETX. The buffer never wraps: a frame longer than it is
// dropped whole at its ETX, so the tail of a long frame can never pass as a
// short command.
class HostRxBuffer {
public:
    static constexpr int Capacity = 512;

    void start();        // STX: a frame begins afresh
    void add(char byte); // kept only inside a frame
    // ETX: the frame's bytes (empty when no frame was open), or nothing when it
    // overflowed. The buffer is idle afterwards either way.
    std::optional<QByteArray> finish();
    void reset();
    bool inFrame() const { return m_inFrame; }

private:
    QByteArray m_bytes;
    bool m_inFrame = false;
    bool m_overflow = false;
};

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
