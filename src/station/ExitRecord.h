#pragma once

#include <QString>
#include <QtGlobal>
#include <exception>

namespace tolvo {

struct Station;

// Records the completed exit of st.trx: the 일반권 row (rewritten or added), the
// open period's 시간대별, 할인현황, 주차시간대별 and 금액대별 rows, the reprint copy
// in 임시일반권, the car counters (screen and settings file), and resets the
// screen for the next ticket. All rows commit as one transaction: on a failure
// nothing is written, the error is shown and false is returned (the transaction
// stays as it was).
bool Save_GeneralExit(Station& st);
// The same in two steps, so that nothing that waits for a person comes between
// the exit and its record: the rows and the counters (false as above), then the
// screen reset that ends the transaction's ticket data and discount name.
bool Record_GeneralExit(Station& st);
void Finish_GeneralExit(Station& st);

// Shows a failure of the exit road to the worker; the station goes on.
void ShowExitError(Station& st, const std::exception& e);

} // namespace tolvo
