#pragma once

#include <QDateTime>
#include <QString>

namespace tolvo {

struct Station;

// "yyyy-mm-dd hh:mm:ss 에 <worker>에 의해 최종적으로 백업된 자료입니다." (or 복구된).
QString CopyStampText(const QDateTime& now, const QString& worker, bool restore);

// The season-ticket copies, after the rights test and the administrator
// password. Each asks its own confirmation. The backup replaces the master
// copy's 정기권 with the live rows; the restore replaces the live rows with the
// master copy's, as one transaction (a failure keeps the live rows), and then
// unloads the main screen. When the worker declines to quit, the timer runs again.
void SeasonTickets_Backup(Station& st);
void SeasonTickets_Restore(Station& st);

} // namespace tolvo
