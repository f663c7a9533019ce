#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A power cut as a disk meets it: a removal is on the disk only once its folder is
// synced. While a LostRemovals object lives, each file this process removes from
// its folder (a journal the engine deletes, a marker or an archive file the station
// removes) is first copied to "<file>.unsynced"; a sync of the folder drops them.
// BringBack() puts the copies left back, as a power cut then would. Both outlive a
// fork. FailFolderSync(n) makes the n-th fsync of the folder from then on fail, as
// a failing disk would (the engine syncs folders with fdatasync, which never fails). The layer sits in front of the C library's unlink, fsync and fdatasync, so
// it sees the engine's own calls too; include this header in one file of a program.

namespace tolvo::test {
inline std::atomic<bool> g_removalsWatched{false};
inline char g_watchedFolder[PATH_MAX];  // its real path, without a trailing slash
inline std::atomic<int> g_folderSyncsToFail{0};  // counts down; the one that reaches 0 fails
} // namespace tolvo::test

namespace tolvo::test::lost_removals {

template <class F>
F Real(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

inline bool EndsWith(const char* s, const char* tail)
{
    const size_t n = ::strlen(s), m = ::strlen(tail);
    return n >= m && ::strcmp(s + n - m, tail) == 0;
}

// Copies a regular file byte for byte (nothing that removes or syncs, so no recursion).
inline void CopyAside(const char* path)
{
    struct stat sb {};
    if (::stat(path, &sb) != 0 || !S_ISREG(sb.st_mode)) return;
    const QByteArray to = QByteArray(path) + ".unsynced";
    const int in = ::open(path, O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    char buf[65536];
    ssize_t n = 0;
    while (in >= 0 && out >= 0 && (n = ::read(in, buf, sizeof buf)) > 0)
        if (::write(out, buf, size_t(n)) != n) break;
    if (in >= 0) ::close(in);
    if (out >= 0) ::close(out);
}

// True when `fd` is the watched folder.
inline bool IsWatchedFolder(int fd, char (&dir)[PATH_MAX])
{
    struct stat sb {};
    if (!g_removalsWatched || ::fstat(fd, &sb) != 0 || !S_ISDIR(sb.st_mode)) return false;
    const ssize_t n = ::readlink(QByteArray("/proc/self/fd/" + QByteArray::number(fd)).constData(), dir, sizeof dir - 1);
    if (n <= 0) return false;
    dir[n] = '\0';
    return ::strcmp(dir, tolvo::test::g_watchedFolder) == 0;
}

// A synced folder: the removals in it are durable, their copies go.
inline void Synced(int fd)
{
    char dir[PATH_MAX];
    if (!IsWatchedFolder(fd, dir)) return;
    static const auto unlinkReal = Real<int (*)(const char*)>("unlink");
    if (DIR* d = ::opendir(dir)) {
        while (const dirent* e = ::readdir(d))
            if (EndsWith(e->d_name, ".unsynced")) unlinkReal((QByteArray(dir) + '/' + e->d_name).constData());
        ::closedir(d);
    }
}

} // namespace tolvo::test::lost_removals

extern "C" int unlink(const char* path)
{
    using namespace tolvo::test::lost_removals;
    static const auto real = Real<int (*)(const char*)>("unlink");
    const char* dir = tolvo::test::g_watchedFolder;
    if (tolvo::test::g_removalsWatched && ::strncmp(path, dir, ::strlen(dir)) == 0 && path[::strlen(dir)] == '/' &&
        !EndsWith(path, ".unsynced"))
        CopyAside(path);
    return real(path);
}

extern "C" int fsync(int fd)
{
    using namespace tolvo::test::lost_removals;
    static const auto real = Real<int (*)(int)>("fsync");
    char dir[PATH_MAX];
    if (tolvo::test::g_folderSyncsToFail > 0 && IsWatchedFolder(fd, dir) && --tolvo::test::g_folderSyncsToFail == 0) {
        errno = EIO;
        return -1;
    }
    const int rc = real(fd);
    if (rc == 0) Synced(fd);
    return rc;
}

extern "C" int fdatasync(int fd)
{
    using namespace tolvo::test::lost_removals;
    static const auto real = Real<int (*)(int)>("fdatasync");
    const int rc = real(fd);
    if (rc == 0) Synced(fd);
    return rc;
}

namespace tolvo::test {

class LostRemovals {
public:
    explicit LostRemovals(const QString& folder)
    {
        if (!::realpath(QFile::encodeName(folder).constData(), g_watchedFolder)) g_watchedFolder[0] = '\0';
        g_removalsWatched = g_watchedFolder[0] != '\0';
    }
    ~LostRemovals() { g_removalsWatched = false; }
    LostRemovals(const LostRemovals&) = delete;
    LostRemovals& operator=(const LostRemovals&) = delete;

    static void FailFolderSync(int nth) { g_folderSyncsToFail = nth; }

    static void BringBack(const QString& folder)
    {
        const bool watched = g_removalsWatched.exchange(false);  // putting back is no removal
        const QDir dir(folder);
        for (const QString& copy : dir.entryList({QStringLiteral("*.unsynced")}, QDir::Files | QDir::Hidden)) {
            const QString file = dir.filePath(copy.chopped(int(qstrlen(".unsynced"))));
            QFile::remove(file);
            QFile::rename(dir.filePath(copy), file);
        }
        g_removalsWatched = watched;
    }
};

} // namespace tolvo::test
