#pragma once

#include <QDateTime>
#include <QString>

// What the small entry form FrmInput ("발권정보 입력") decides, apart from its widgets.
namespace tolvo {

// MaskEdBox1: a real date "yyyy-mm-dd".
bool FrmInput_DateValid(const QString& text);
// MaskEdBox2: a real time "hh:nn".
bool FrmInput_TimeValid(const QString& text);
// The 16-character ticket data: number, "yyyymmdd", "hhnn"; empty unless the
// number has 4 characters and both texts are valid.
QString FrmInput_TicketData(const QString& ticketNo, const QString& date, const QString& time);

// An entry after the station's clock: a typo that would make the stay free.
bool FrmInput_AfterNow(const QString& date, const QString& time, const QDateTime& now);

// The error label's text after Enter on an invalid box, and on confirming an entry after now.
inline QString FrmInput_ErrorText() { return QStringLiteral(" 입력 오류 입니다.... "); }

} // namespace tolvo
