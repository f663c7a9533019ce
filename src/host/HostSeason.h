#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The host's verdict on a season card read at a "HOST PASS" gate.
namespace tolvo {

struct Station;

// The 85 characters of a verdict, cut into its fields as received (not trimmed).
struct SeasonVerdict {
    QString entryDate;  // 입차일자, 1 (10)
    QString entryTime;  // 입차시간, 11 (5)
    QString exitDate;   // 출차일자, 16 (10)
    QString exitTime;   // 출차시간, 26 (5)
    QString status;     // 입출상태, 31 (8)
    QString card;       // 정기권번호, 39 (10)
    QString car;        // 차량번호, 49 (13)
    QString name;       // 이름, 62 (12)
    QString expiry;     // 종료일, 74 (10)
    bool entry = false; // position 84 is "1"
};
SeasonVerdict ParseSeasonVerdict(const QString& text);

// What the station does on the screen and at the barrier for a verdict.
struct VerdictAction {
    bool recognised = false;       // one of the eight status texts
    std::optional<qint16> gate;    // fee-display relay to pulse (0 first entrance, 1 first exit)
    QString panel;                 // PnlMsg caption
    QString listLine;              // List1 line
};
VerdictAction DecideSeasonVerdict(const SeasonVerdict& v, const QString& seasonMode);

// The 9 bytes that acknowledge a verdict: "JI_ACK" for an entry, "JO_ACK" for an exit.
QByteArray SeasonVerdictAck(bool entry);

// Acknowledges, counts and logs the verdict, then works the barrier and shows it.
// The count and the row are one transaction; a database failure is traced and the
// rest still follows the host's verdict.
void Host_SeasonResult(Station& st, const QString& text);

} // namespace tolvo
