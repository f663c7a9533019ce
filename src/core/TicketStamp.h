#pragma once

#include <QString>
#include <QtGlobal>

// The exit records written onto a ticket by the reader: the exit completion
// writes them, the reader's parsers read them back. One place for both.
namespace tolvo {

// Exit "yymmddhhnn" from an exit date "yyyy-mm-dd" and time "hh:nn".
QString ExitStamp(const QString& outDate, const QString& outTime);

// The print row a recycled ticket gets next: five below the row read, and back
// to the top ("00") once the row read is 55 or more.
QString NextRecycleRow(qint16 rowRead);

// Recycled ticket (31 characters): the next print row, "0008", the ticket
// number, "0", the entry "yymmddhhnn" kept from the entry code, the exit stamp.
QString RecycleStampData(qint16 recycleLine, const QString& entryCode, const QString& outDate, const QString& outTime);
// Paper ticket (29 characters): "0008", the ticket number, "0", the time of the
// write (nowYymmddhhnn: the clock now), the exit stamp.
QString PaperStampData(const QString& entryCode, const QString& nowYymmddhhnn, const QString& outDate,
                       const QString& outTime);

} // namespace tolvo
