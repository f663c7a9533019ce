#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace tolvo {

struct Station;

// The entry parts of the 16-character ticket data: number, "yyyymmdd", "hhnn".
struct TicketEntry {
    QString ticketNo; // 4 characters, blanks on the right
    QString inDate;   // "yyyy-mm-dd"
    QString inTime;   // "hh:nn"
};
// Empty when the data is not a 16-character text holding a real date and time.
std::optional<TicketEntry> ParseTicketData(const QString& data);

// Prices the current ticket (st.trx.TicketData, LostTicket) at the clock's time,
// shows it on the panel and the fee display, and locks the station for the exit.
// A tariff that cannot price the stay shows the tariff fault and changes nothing:
// false then, and no exit can be completed at a fee of 0 that is no fee.
bool Calc_TicketFee(Station& st);
// The same without the fee display and without clearing ExitDone.
bool Calc_TicketFee_NoDisp(Station& st);

} // namespace tolvo
