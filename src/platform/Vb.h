#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <stdexcept>

// Conversions and formats with the semantics the station's stored data and
// texts were made with (leading-number parsing, banker's rounding, fixed formats).
namespace tolvo {

// Thrown when a value does not fit the whole-number width it is rounded into.
struct Overflow : std::range_error {
    using std::range_error::range_error;
};

// The leading decimal number of a text ("12ab" -> 12, "ab" -> 0, " 2.5" -> 2.5).
double Val(const QString& text);
// Rounding half to the even neighbour into 8/16/32-bit whole numbers; throws Overflow.
quint8 CByte(double v);
qint16 CInt(double v);
qint32 CLng(double v);
// A whole text that is a number (blanks around allowed).
bool IsNumeric(const QString& text);
// A whole text as a 32-bit whole number (blanks around allowed); throws std::invalid_argument
// when it is not numeric, Overflow when out of range.
qint32 CLngText(const QString& text);

QString FormatDate(const QDate& d);          // "yyyy-mm-dd"
QString FormatTime(const QTime& t);          // "hh:nn"
QString FormatDateTime(const QDateTime& dt); // "yyyy-mm-dd hh:nn"
QString FormatMoney(qint64 v);               // "#,##0"
QString FormatMoney6(qint64 v);              // "###,##0"
int Weekday(const QDate& d);                 // Sunday = 1 .. Saturday = 7

} // namespace tolvo
