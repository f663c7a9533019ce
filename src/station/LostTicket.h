#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace tolvo {

struct Station;

// The lost-ticket exit (function key 2): makes up an entry at today's opening
// time under the next lost-ticket number and starts the fee run with it.
void LostTicket(Station& st);

// The next lost-ticket number: "L" and the highest stored number + 1 ("L001"
// when none); after "L999" the lowest number not used today; nothing when all
// 999 are used today. highestCode is the highest 입차코드 starting with "L".
std::optional<QString> NextLostNumber(const QString& highestCode, const QStringList& codesOfToday);

} // namespace tolvo
