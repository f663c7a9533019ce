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

// Every archive file whose header names one of this live file's moves without a
// removal record, and whose record of the move carries its token, has its copy
// committed and its removal not: the rows it took leave the live file. Any other
// file (another station's, or one a copied station folder's twin wrote) is not
// opened. A file of the station's own that cannot be read is kept in `unreadable`,
// for the caller to tell.
void FinishCopiedFiles(Run& run, std::vector<Unreadable>& unreadable);

// A file the scan could not read, told once unless it is a marked day's own or the
// run's day's, whose move tells its failure itself. Not a failure of any day.
void TellUnreadable(Run& run, const std::vector<Unreadable>& unreadable, const Marker& marker, const QDate& runDay);

} // namespace tolvo
