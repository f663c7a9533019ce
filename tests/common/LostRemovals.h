#pragma once

#include <QDir>
#include <QFile>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A power cut as a disk meets it: a removal is on the disk only once its folder is
// synced. While a LostRemovals object lives, each file removed from its folder (a
// journal the engine deletes, the marker or an archive file the station removes) is
// first copied to "<file>.unsynced", and a sync of the folder drops the copies;
// BringBack() puts back those left, as a power cut then would. FailFolderSync(n)
// fails the n-th fsync of the folder from then on (the engine syncs folders with
// fdatasync). It stands before the C library's unlink, fsync and fdatasync, so it
// sees the engine's calls too, and outlives a fork: include it in one file a program.

namespace tolvo::test {

inline std::atomic<bool> g_watched{false};
inline char g_folder[PATH_MAX];          // the folder's real path
inline std::atomic<int> g_syncsToFail{0};  // counts down; the sync that reaches 0 fails

template <class F>
F RealCall(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// True when `fd` is the watched folder.
inline bool IsWatchedFolder(int fd)
{
    struct stat sb {};
    char dir[PATH_MAX];
    if (!g_watched || ::fstat(fd, &sb) != 0 || !S_ISDIR(sb.st_mode)) return false;
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), dir, sizeof dir - 1);
    return n > 0 && (dir[n] = '\0', ::strcmp(dir, g_folder) == 0);
}

class LostRemovals {
public:
    explicit LostRemovals(const QString& folder)
    {
        g_watched = ::realpath(QFile::encodeName(folder).constData(), g_folder) != nullptr;
    }
    ~LostRemovals() { g_watched = false; }
    LostRemovals(const LostRemovals&) = delete;
    LostRemovals& operator=(const LostRemovals&) = delete;

    static void FailFolderSync(int nth) { g_syncsToFail = nth; }

    // A power cut: the removals not yet durable are undone.
    static void BringBack(const QString& folder) { Settle(folder, true); }
    // The folder synced: its removals are durable, the copies go.
    static void Drop(const QString& folder) { Settle(folder, false); }

private:
    static void Settle(const QString& folder, bool putBack)
    {
        const bool watched = g_watched.exchange(false);  // none of this is a removal to keep
        const QDir dir(folder);
        for (const QString& copy : dir.entryList({QStringLiteral("*.unsynced")}, QDir::Files | QDir::Hidden)) {
            const QString file = dir.filePath(copy.chopped(int(qstrlen(".unsynced"))));
            if (!putBack) {
                QFile::remove(dir.filePath(copy));
                continue;
            }
            QFile::remove(file);
            QFile::rename(dir.filePath(copy), file);
        }
        g_watched = watched;
    }
};

inline int Synced(int fd, int rc)
{
    if (rc == 0 && IsWatchedFolder(fd)) LostRemovals::Drop(QString::fromLocal8Bit(g_folder));
    return rc;
}

} // namespace tolvo::test

extern "C" int unlink(const char* path)
{
    using namespace tolvo::test;
    const size_t n = ::strlen(g_folder);
    if (g_watched && ::strncmp(path, g_folder, n) == 0 && path[n] == '/' && !QByteArray(path).endsWith(".unsynced")) {
        g_watched = false;  // the copy removes nothing of its own
        const QString from = QFile::decodeName(path);
        QFile::remove(from + QStringLiteral(".unsynced"));
        QFile::copy(from, from + QStringLiteral(".unsynced"));
        g_watched = true;
    }
    return RealCall<int (*)(const char*)>("unlink")(path);
}

extern "C" int fsync(int fd)
{
    using namespace tolvo::test;
    if (g_syncsToFail > 0 && IsWatchedFolder(fd) && --g_syncsToFail == 0) return errno = EIO, -1;
    return Synced(fd, RealCall<int (*)(int)>("fsync")(fd));
}

extern "C" int fdatasync(int fd)
{
    using namespace tolvo::test;
    return Synced(fd, RealCall<int (*)(int)>("fdatasync")(fd));
}
