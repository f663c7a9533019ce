#include "platform/SyncPath.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace tolvo {

bool SyncPath(const QString& path, bool directory)
{
    const int fd = ::open(QFile::encodeName(path).constData(), (directory ? (O_RDONLY | O_DIRECTORY) : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace tolvo
