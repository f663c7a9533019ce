#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tolvo::test {

// Runs `body` in a child process whose lock folder (where Qt keeps the port
// locks) is an empty memory folder of its own, in a mount namespace of its own
// (a user namespace too where not root): what the body plants there is seen by
// no other program and goes with the child, however the test ends. The body's
// answer; "no mount namespace" where none can be made; a child that answers
// nothing within `seconds` is killed and said to wait.
inline QString InPrivateLockFolder(const std::function<QString()>& body, int seconds)
{
    int out[2];
    if (::pipe(out) != 0) return QStringLiteral("no pipe");
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(out[0]);
        // Maps this user to itself in a new user namespace, which lets it mount there.
        const auto write = [](const char* file, const QByteArray& text) {
            const int fd = ::open(file, O_WRONLY);
            const bool ok = fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size();
            if (fd >= 0) ::close(fd);
            return ok;
        };
        char lockFolder[PATH_MAX];
        const bool own = (uid == 0 ? ::unshare(CLONE_NEWNS) == 0
                                   : ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && write("/proc/self/setgroups", "deny")
                                         && write("/proc/self/uid_map", QByteArray::number(uid) + ' ' + QByteArray::number(uid) + " 1")
                                         && write("/proc/self/gid_map", QByteArray::number(gid) + ' ' + QByteArray::number(gid) + " 1"))
            && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
            && ::realpath("/var/lock", lockFolder) && ::mount("tmpfs", lockFolder, "tmpfs", 0, "mode=1777") == 0;
        const QByteArray said = own ? body().toUtf8() : QByteArray("no mount namespace");
        ::_exit(::write(out[1], said.constData(), size_t(said.size())) == said.size() ? 0 : 1);
    }
    ::close(out[1]);
    pollfd p{out[0], POLLIN, 0};
    const bool answered = pid > 0 && ::poll(&p, 1, seconds * 1000) == 1;
    if (pid > 0 && !answered) ::kill(pid, SIGKILL);
    // The child ends once it has answered, or has been killed: the pipe closes.
    QByteArray got;
    char buffer[512];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) got.append(buffer, n);
    ::close(out[0]);
    if (pid > 0) ::waitpid(pid, nullptr, 0);
    return answered ? QString::fromUtf8(got) : QStringLiteral("no answer within %1 s: it waits").arg(seconds);
}

} // namespace tolvo::test
