#pragma once

#include <QString>
#include <utility>
#include <vector>

// The settings file: private-profile semantics over SimpleIni (key matched
// without case, at most 29 characters read, trailing blanks removed, an empty
// value gives the default; file, section and key created on write; written
// through a temporary file and a rename, in the encoding it was read in).
namespace tolvo {

QString Read_Ini(const QString& iniPath, const QString& section, const QString& key, const QString& def);
void Write_Ini(const QString& iniPath, const QString& section, const QString& key, const QString& value);
// A counter whose truth the database holds (cars, passages, tickets issued): written
// whole through a temporary file and a rename like any key, but without a sync of
// its own. The rename replaces the file in one step, so after a power cut the file is
// the old one or the new one (ext4 and btrfs write a replacing file's data before the
// rename); the counter may then be a few writes behind the database.
void Write_IniCounter(const QString& iniPath, const QString& section, const QString& key, const QString& value);
// Several such counters of one section in one replacement of the file, in the order given.
void Write_IniCounters(const QString& iniPath, const QString& section,
                       const std::vector<std::pair<QString, QString>>& keyValues);

} // namespace tolvo
