#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QtGlobal>
#include <stdexcept>

namespace tolvo {

struct Station;

// The two dispenser families differ in a few steps of an entry.
enum class DispenserFamily { First, Second };

// An issued ticket as a frame reports it.
struct IssuedTicket {
    QString ticketNo; // as in the frame; cut or padded to 4
    QString hh, nn;   // time of issue from the frame
};

// A ticket that cannot be recorded (bad time, already recorded): the frame is refused.
struct EntryRefused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline const QString kReplaceTicketsText = QStringLiteral("발행기의 주차권을 교환하세요.  잔여주차권 매수 : ");
inline const QString kRunningLowText = QStringLiteral("발행기의 주차권이 고갈되어 갑니다. 잔여주차권 매수 : ");
inline const QString kDispenserFault = QStringLiteral("발행기 이상발생!");

// The day of issue: the station's date, or the day before when the frame's time
// lies more than 12 hours after the station's time of day (issued before midnight,
// reported after it).
QDate EntryDate(const QDateTime& now, const QTime& issued);

// Records one issued ticket: the 일반권 row and the hour's count in one transaction,
// then the counters, panel, list line, host flag and stock. Returns the 입차일 used.
// keepLamps: the frame itself raised the lamps, so no stock count empties them.
// Throws EntryRefused (nothing recorded) or DbError.
QString RecordEntry(Station& st, DispenserFamily family, const IssuedTicket& ticket,
                    const QString& listSuffix = {}, bool keepLamps = false);

// The stock warnings for the count after a ticket was issued.
void ApplyStockWarnings(Station& st, DispenserFamily family, qint32 count, bool keepLamps = false);

// Alarm on: the timer blinks both lamps; the second one says what is wrong.
void RaiseDispenserAlarm(Station& st, const QString& lamp);
// Alarm off, both lamps emptied and hidden (a ticket came out).
void ClearDispenserAlarm(Station& st);

} // namespace tolvo
