#pragma once

class QDateEdit;
class QLineEdit;
class QTimeEdit;

// Date and time fields as a person at the booth types into them: whether the
// field was entered by a click anywhere in it or by Tab, the digits typed fill
// it from its first digit on, separators typed or not ("0800" and "08:00" give
// 08:00, "20261207" and "2026-12-07" give 2026-12-07). Dates show as
// yyyy-mm-dd and times as hh:nn (or hh:nn:ss) whatever the machine's locale,
// and Tab leaves the field.
namespace tolvo {

void DateField(QDateEdit* edit);

enum class TimeShown { HoursMinutes, WithSeconds };
void TimeField(QTimeEdit* edit, TimeShown shown = TimeShown::HoursMinutes);

// A masked text box holding a date or time: entering it or clicking in it
// selects its whole text, so typing replaces it from the start.
void MaskedDateTimeField(QLineEdit* edit);

} // namespace tolvo
