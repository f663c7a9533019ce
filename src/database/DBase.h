#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace tolvo {

struct Station;

// The live database's files and lifecycle: folders, check/create at start-up,
// compaction with repair from the master copy, the shared connection.
namespace DBase {

// Sets DataPath, ArchiveDir and ImageDir from AppPath (each ends with "/").
void SetFolders(Station& st);
// Deletes every "*.bak" file (letter case ignored) of the data folder and every
// "*.copy.bak" of the Master folder (a master copy half made); folders are left alone.
void DeleteLeftoverBak(const Station& st);
// Program folder + "/Master/Master.mdb".
QString MasterPath(const Station& st);

// Makes the Data, Backup, Image and Master folders, finds the live file without
// regard to letter case (DbPath), creates it when missing, and makes the master
// copy when missing. Throws on failure.
void DataBase_Check(Station& st);
// Builds a new live file at DbPath: every table, the administrator as current
// worker, the first statistics period, the first-run rows. The file is built under
// a temporary name and appears complete or not at all; it is left closed. Throws.
void DataBase_Create(Station& st);

enum class CompactResult {
    Compacted,       // the live file was rewritten compactly
    NotCompacted,    // compaction failed; the live file is untouched, start-up goes on
    RepairedEnd,     // the file was damaged, the master copy took its place: end the program
    RepairFailedEnd, // damaged and no usable master copy: end the program with an error
};
// Replaces `to` by `from` in one step; returns false on failure. Tests inject failures.
using FileReplacer = std::function<bool(const QString& from, const QString& to)>;
bool AtomicReplace(const QString& from, const QString& to);

// Compacts the live file into Park.bak and renames it over the live file. A damaged
// live file is moved aside (DbPath + ".damaged-yyyymmddhhnnss"), the master copy
// takes its place and the operator is told to start again.
CompactResult DataBase_Compact(Station& st, const FileReplacer& replace = AtomicReplace);

// Opens the shared connection st.Db on DbPath (a connection name of its own, so
// several stations can live in one process). Throws when the file is missing or unreadable.
void DataBase_Open(Station& st);
// Closes and removes the shared connection. Safe to call twice.
void DataBase_Close(Station& st);

// The database part of start-up in order: folders, leftover "*.bak", check, compact,
// open; then attaches the daily archive to the main timer (st.routines.ArchiveDay).
// Failures are shown to the operator. Returns the exit code when the program must
// end, nothing when start-up goes on.
std::optional<int> DataBase_Startup(Station& st);

} // namespace DBase
} // namespace tolvo
