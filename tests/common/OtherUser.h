#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <vector>

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tolvo::test {

// The moment a test's waits on another user's processes end by, whatever
// that user does to them (stops them, fills their folders).
class Deadline {
public:
    static Deadline In(std::chrono::milliseconds span) { return Deadline(std::chrono::steady_clock::now() + span); }
    // What is left of it, never less than `floorMs`: a clean-up after the
    // deadline still gets a moment.
    int msLeft(int floorMs = 0) const
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_at - std::chrono::steady_clock::now());
        return int(std::max<long long>(left.count(), floorMs));
    }
    Deadline atMost(std::chrono::milliseconds span) const { return Deadline(std::min(m_at, In(span).m_at)); }

private:
    explicit Deadline(std::chrono::steady_clock::time_point at) : m_at(at) {}
    std::chrono::steady_clock::time_point m_at;
};

// Waits for the child `pid` to end for `ms` at most, then kills it: a stopped
// child dies of SIGKILL too. True when it ended by itself; its status in
// `status`. A child that not even SIGKILL ends within a second is left.
inline bool ReapWithin(pid_t pid, int ms, int* status = nullptr)
{
    int got = -1;
    const int fd = int(::syscall(SYS_pidfd_open, pid, 0));
    pollfd p{fd, POLLIN, 0};
    const bool ended = fd >= 0 && ::poll(&p, 1, ms) == 1;
    if (!ended) ::kill(pid, SIGKILL);
    p.revents = 0;
    if (ended || fd < 0 || ::poll(&p, 1, 1000) == 1) ::waitpid(pid, &got, 0);
    if (fd >= 0) ::close(fd);
    if (status) *status = got;
    return ended;
}

// In a child just forked to act as another user: nothing of this process
// reaches that user but `keep` and the standard descriptors. No variable of
// the test's (a CI job's tokens), a working folder anyone may enter, no other
// descriptor. The copy of this process's memory stays unreadable to that user:
// `BecomeUser` leaves it undumpable.
inline void LeaveNothingBehind(std::vector<int> keep)
{
    // An empty list rather than none: some readers of it expect one.
    static char* none[] = {nullptr};
    ::clearenv();
    environ = none;
    if (::chdir("/") != 0) ::_exit(1);
    std::sort(keep.begin(), keep.end());
    unsigned from = 3;
    for (const int fd : keep) {
        if (fd < int(from)) continue;
        if (unsigned(fd) > from) ::syscall(SYS_close_range, from, unsigned(fd) - 1, 0);
        from = unsigned(fd) + 1;
    }
    ::syscall(SYS_close_range, from, ~0U, 0);
}

// Becomes `uid` for good; the process stays undumpable whatever the machine's
// setting, so that user cannot read the memory it was forked with.
inline bool BecomeUser(uid_t uid, gid_t gid)
{
    return ::setgroups(0, nullptr) == 0 && ::setresgid(gid, gid, gid) == 0 && ::setresuid(uid, uid, uid) == 0 &&
           ::prctl(PR_SET_DUMPABLE, 0) == 0;
}

} // namespace tolvo::test
