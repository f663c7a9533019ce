#pragma once

// The scan of Backup/ that each start and night's run begins with: what a kill or
// a failure left of this station's own moves, found from the files alone, so a
// marker lost or damaged loses nothing that was copied.

#include "database/ArchiveMove.h"

#include <QString>

#include <vector>

namespace tolvo {

// A file of this station's own move that the scan could not read.
struct Unreadable {
    QString path;
    Told why;
    QString engine;  // the engine's own text, for the trace
};

// Half-made archive files and markers a kill left, with their journals.
void RemoveHalfMadeFiles(const Station& st);

// Every archive file that bears the day's name of a move of this live file without
// a removal record, whose header names that move and whose record of it carries its
// token, day and letter, has its copy committed and its removal not: the rows it
// took leave the live file. A journal beside such a file is rolled back. Any other
// file (another station's, one a copied station folder's twin wrote, or one under
// another day's name) is not opened, its journal left. A file of the station's own
// that cannot be read is kept in `unreadable`, for the caller to tell.
void FinishCopiedFiles(Run& run, std::vector<Unreadable>& unreadable);

// A file the scan could not read, told once unless it is a marked day's own, whose
// move tells its failure itself. Not a failure of any day.
void TellUnreadable(Run& run, const std::vector<Unreadable>& unreadable, const Marker& marker);

} // namespace tolvo
