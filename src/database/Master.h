#pragma once

#include <QStringList>

namespace tolvo {

struct Station;

// The master copy is the regular file at its path; a folder of that name is none.
// The one rule of the settings and the season-ticket backup and restore.
bool MasterCopyPresent(const Station& st);

// The sixteen settings tables copied to and from the master copy, in order.
const QStringList& MasterSettingsTables();

// Copies the settings tables into Master/Master.mdb after the operator confirms;
// all sixteen or none (one transaction over both files). Stamps 시스템백업기록 of
// the live file. A missing master copy or a failure is reported and changes nothing.
void Backup_ToMaster(Station& st);
// Replaces the live settings tables by the master copy's after the operator confirms,
// all or none; stops the main timer, stamps 시스템복구기록, asks for a restart and
// unloads the main screen. A failure is reported, changes nothing and restarts the timer.
void Restore_FromMaster(Station& st);

} // namespace tolvo
