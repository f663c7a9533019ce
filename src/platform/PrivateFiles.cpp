#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace tolvo {

void RestrictNewFiles() { ::umask(077); }

bool MakePrivate(const QString& path)
{
    const QByteArray p = QFile::encodeName(path);
    struct stat sb {};
    if (::stat(p.constData(), &sb) != 0) return false;
    return ::chmod(p.constData(), S_ISDIR(sb.st_mode) ? 0700 : 0600) == 0;
}

bool MakePrivateFolder(const QString& path)
{
    return QDir().mkpath(path) && MakePrivate(path);
}

bool FolderWritable(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

} // namespace tolvo
