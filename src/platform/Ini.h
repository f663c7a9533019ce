#pragma once

#include <QString>

// The settings file: private-profile semantics over SimpleIni (key matched
// without case, at most 29 characters read, trailing blanks removed, an empty
// value gives the default; file, section and key created on write; written
// through a temporary file and a rename, in the encoding it was read in).
namespace tolvo {

QString Read_Ini(const QString& iniPath, const QString& section, const QString& key, const QString& def);
void Write_Ini(const QString& iniPath, const QString& section, const QString& key, const QString& value);

} // namespace tolvo
