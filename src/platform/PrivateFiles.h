#pragma once

#include <QString>

namespace tolvo {

// The program folder holds passwords and money records: only the station's own user
// may read what it creates.

// Makes every file and folder the process creates from now on private (umask 077).
void RestrictNewFiles();
// Sets a file to 0600 or a folder to 0700; false when it cannot.
bool MakePrivate(const QString& path);
// Creates the folder (and its parents) and makes it private; false when either fails.
bool MakePrivateFolder(const QString& path);
// True when this process may create and change files in the folder (false on a
// read-only disk or a folder without write permission for it).
bool FolderWritable(const QString& path);

} // namespace tolvo
