#pragma once

#include <QString>
#include <QtGlobal>

namespace tolvo {

// The one general ticket the station is handling.
struct ExitTransaction {
    QString TicketData;     // ticket no (4) + entry "yyyymmdd" + entry "hhnn"
    QString EntryCode;      // key 입차코드
    QString TicketNo;       // 4 characters
    QString InDate, InTime; // "yyyy-mm-dd", "hh:nn"
    QString OutDate, OutTime;
    qint32 ParkMinutes = 0;
    qint32 DiscMinutes = 0;
    qint32 TotalFee = 0;
    qint32 PayAmount = 0;
    QString DiscKind;
    bool LostTicket = false;
    bool TicketInProgress = false;
    bool ExitDone = false;
    bool EnterGuard = false;
    bool TicketTyped = false;
};

} // namespace tolvo
