#include "core/TicketStamp.h"

namespace tolvo {

QString ExitStamp(const QString& outDate, const QString& outTime)
{
    return outDate.mid(2, 2) + outDate.mid(5, 2) + outDate.mid(8, 2) + outTime.mid(0, 2) + outTime.mid(3, 2);
}

QString NextRecycleRow(qint16 rowRead)
{
    if (rowRead >= 55) return QStringLiteral("00");
    return QString::number(rowRead + 5).rightJustified(2, QLatin1Char('0'));
}

QString RecycleStampData(qint16 recycleLine, const QString& entryCode, const QString& outDate, const QString& outTime)
{
    return NextRecycleRow(recycleLine) + QStringLiteral("0008") + entryCode.left(4) + QStringLiteral("0") +
           entryCode.mid(6, 10) + ExitStamp(outDate, outTime);
}

QString PaperStampData(const QString& entryCode, const QString& nowYymmddhhnn, const QString& outDate,
                       const QString& outTime)
{
    return QStringLiteral("0008") + entryCode.left(4) + QStringLiteral("0") + nowYymmddhhnn +
           ExitStamp(outDate, outTime);
}

} // namespace tolvo
