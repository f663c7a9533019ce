#pragma once

#include <QString>

namespace tolvo {

// Flushes a file's or a folder's entries to the disk (a rename is durable once its
// folder is). False when it cannot be opened or flushed.
bool SyncPath(const QString& path, bool directory);

} // namespace tolvo
