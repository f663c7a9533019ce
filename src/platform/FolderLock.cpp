#include "platform/FolderLock.h"

#include "platform/UniqueFd.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvo {

namespace {

// A start that let go of the file between our open and our flock may have
// replaced or removed it: the lock counts only on the file the path names.
bool PathNamesFile(const QByteArray& path, int fd)
{
    struct stat open {}, named {};
    return ::fstat(fd, &open) == 0 && ::stat(path.constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

bool LockNow(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

// A file this process may not write (read-only, another user's) is replaced by a
// new one of its own, locked before it takes the name. The old one stays locked
// until then, so every other start finds one of the two locked, and one that
// opened the old file finds that the name has moved on.
UniqueFd ReplaceFile(const QByteArray& path)
{
    QByteArray name = path + ".XXXXXX";
    UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd) return fd;
    if (!LockNow(fd.get()) || ::rename(name.constData(), path.constData()) != 0) {
        const int err = errno;
        ::unlink(name.constData());
        errno = err;
        return UniqueFd();
    }
    return fd;
}

// Only for people reading the file: the lock holds whether or not this lands.
void NameHolder(int fd)
{
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const QByteArray text = QByteArray::number(qint64(::getpid())) + '\n' +
                            QCoreApplication::applicationName().toUtf8() + '\n' + QByteArray(host) + '\n';
    if (::ftruncate(fd, 0) != 0) return;
    const ssize_t written = ::pwrite(fd, text.constData(), size_t(text.size()), 0);
    Q_UNUSED(written);
}

} // namespace

FolderLock::~FolderLock()
{
    if (m_fd < 0) return;
    const QByteArray path = QFile::encodeName(m_path);
    if (PathNamesFile(path, m_fd)) ::unlink(path.constData());
    ::close(m_fd);
}

FolderLock::Result FolderLock::take()
{
    if (m_fd >= 0) return Result::Taken;
    const QByteArray path = QFile::encodeName(m_path);
    // Each round that goes on follows a file another start replaced or removed
    // meanwhile; that start then holds the new one, so the next round ends.
    for (int round = 0; round < 8; ++round) {
        bool writable = true;
        UniqueFd fd(::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            writable = false;
            fd.reset(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        }
        if (!fd) {
            if (errno == EACCES || errno == EPERM) return Result::Unreadable;
            if (errno == ENOENT && ::access(QFile::encodeName(QFileInfo(m_path).path()).constData(), W_OK) != 0)
                return Result::NotWritable;
            if (errno == ENOENT) continue;
            return errno == EROFS ? Result::NotWritable : Result::Failed;
        }
        if (!LockNow(fd.get())) return errno == EWOULDBLOCK ? Result::Held : Result::Failed;
        if (!PathNamesFile(path, fd.get())) continue;
        if (!writable) {
            UniqueFd own = ReplaceFile(path);
            if (!own) return errno == EACCES || errno == EROFS || errno == EPERM ? Result::NotWritable : Result::Failed;
            fd = std::move(own);
        }
        NameHolder(fd.get());
        m_fd = fd.release();
        return Result::Taken;
    }
    return Result::Failed;
}

QString OtherUsersFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.ownerId() == ::geteuid()) return {};
    return info.owner().isEmpty() ? QString::number(info.ownerId()) : info.owner();
}

} // namespace tolvo
