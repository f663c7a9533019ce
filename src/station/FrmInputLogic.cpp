#include "station/FrmInputLogic.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

namespace tolvo {

bool FrmInput_DateValid(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const auto m = re.match(text);
    return m.hasMatch() && QDate::isValid(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

bool FrmInput_TimeValid(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{2}):(\\d{2})$"));
    const auto m = re.match(text);
    return m.hasMatch() && QTime::isValid(m.captured(1).toInt(), m.captured(2).toInt(), 0);
}

QString FrmInput_TicketData(const QString& ticketNo, const QString& date, const QString& time)
{
    if (ticketNo.size() != 4 || !FrmInput_DateValid(date) || !FrmInput_TimeValid(time)) return {};
    return ticketNo + date.mid(0, 4) + date.mid(5, 2) + date.mid(8, 2) + time.mid(0, 2) + time.mid(3, 2);
}

bool FrmInput_AfterNow(const QString& date, const QString& time, const QDateTime& now)
{
    // Both "yyyy-mm-dd hh:nn": compared as text, to the minute, as every stored time.
    return date + QLatin1Char(' ') + time > now.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace tolvo
