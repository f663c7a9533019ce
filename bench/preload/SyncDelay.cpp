// Preloaded into the station (LD_PRELOAD) to stand for a booth's slower disk: every
// fsync and fdatasync first sleeps TOLVO_SYNC_DELAY_US microseconds (0 when unset),
// then syncs. It also counts them: tolvo_sync_count() (found with dlsym by
// bench_station) and, with TOLVO_SYNC_LOG set, one line per file at exit
// ("<syncs> <path>") appended to that file.
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>
#include <string>

namespace {

using SyncFn = int (*)(int);

long DelayUs()
{
    static const long us = [] {
        const char* v = std::getenv("TOLVO_SYNC_DELAY_US");
        return v ? std::strtol(v, nullptr, 10) : 0L;
    }();
    return us;
}

std::atomic<long> g_count{0};

struct PerFile {
    std::mutex lock;
    std::map<std::string, long> counts;
    ~PerFile()
    {
        const char* log = std::getenv("TOLVO_SYNC_LOG");
        if (!log) return;
        if (FILE* f = std::fopen(log, "a")) {
            for (const auto& [path, n] : counts) std::fprintf(f, "%ld %s\n", n, path.c_str());
            std::fclose(f);
        }
    }
};

PerFile& Files()
{
    static PerFile files;
    return files;
}

void Count(int fd)
{
    ++g_count;
    if (!std::getenv("TOLVO_SYNC_LOG")) return;
    char link[64], path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, path, sizeof path - 1);
    path[n > 0 ? n : 0] = '\0';
    std::lock_guard l(Files().lock);
    ++Files().counts[path];
}

int Slow(const char* name, int fd)
{
    Count(fd);
    if (const long us = DelayUs(); us > 0) {
        timespec t{us / 1000000, (us % 1000000) * 1000};
        while (::nanosleep(&t, &t) != 0) {}
    }
    static std::map<std::string, SyncFn> real;
    static std::mutex lock;
    SyncFn fn;
    {
        std::lock_guard l(lock);
        auto& slot = real[name];
        if (!slot) slot = reinterpret_cast<SyncFn>(::dlsym(RTLD_NEXT, name));
        fn = slot;
    }
    return fn(fd);
}

} // namespace

extern "C" {
int fsync(int fd) { return Slow("fsync", fd); }
int fdatasync(int fd) { return Slow("fdatasync", fd); }
long tolvo_sync_count() { return g_count.load(); }
}
