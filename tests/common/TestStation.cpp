#include "common/TestStation.h"

#include "database/DBase.h"
#include "core/Sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tolvo::test {

TestStation::TestStation(Db db, const QDateTime& start, const QString& parent)
    : dir(parent.isEmpty() ? QTemporaryDir() : QTemporaryDir(parent + QStringLiteral("/tolvo-XXXXXX"))),
      clock(start), st(clock, msgs, screen)
{
    if (!dir.isValid()) throw std::runtime_error("cannot create a temporary program folder");
    st.AppPath = dir.path();
    st.IniPath = st.AppPath + QStringLiteral("/Tolvo.ini");
    DBase::SetFolders(st);
    if (db == Db::Fresh) OpenFreshDatabase();
}

TestStation::~TestStation()
{
    DBase::DataBase_Close(st);
    if (m_handed) RemoveHanded();
}

void TestStation::HandTo(uid_t uid, gid_t gid, const Deadline& deadline)
{
    // The folder itself, as it was made: no name another user could have swapped.
    const int fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat made {};
    const bool handed = fd >= 0 && ::fstat(fd, &made) == 0 && (::geteuid() != 0 || ::fchown(fd, uid, gid) == 0);
    if (fd >= 0) ::close(fd);
    if (!handed) throw std::runtime_error("cannot hand the program folder over");
    dir.setAutoRemove(false);
    m_handed = Handed{::geteuid() == 0 ? uid : ::geteuid(), ::geteuid() == 0 ? gid : ::getegid(), made.st_dev, made.st_ino,
                      deadline};
}

namespace {

// One pass over the folder open at `fd`, from that folder and following no
// link: what is in it goes, a name swapped for a link meanwhile as the link it
// now is. True when it found the folder empty. A folder kept filling ends the
// pass at `until`.
bool EmptyFolder(int fd, int depth, const Deadline& until)
{
    std::vector<std::string> names;
    if (DIR* d = ::fdopendir(::dup(fd))) {
        // The copy shares the last pass's place in the folder.
        ::rewinddir(d);
        while (const dirent* e = ::readdir(d))
            if (std::string name = e->d_name; name != "." && name != ".." && names.size() < 100000) names.push_back(name);
        ::closedir(d);
    }
    for (const std::string& name : names) {
        if (until.msLeft() == 0) return false;
        if (::unlinkat(fd, name.c_str(), 0) == 0 || errno != EISDIR || depth > 32) continue;
        const int sub = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub >= 0) {
            EmptyFolder(sub, depth + 1, until);
            ::close(sub);
        }
        ::unlinkat(fd, name.c_str(), AT_REMOVEDIR);
    }
    return names.empty();
}

bool SameFolder(const struct stat& st, dev_t dev, ino_t ino) { return S_ISDIR(st.st_mode) && st.st_dev == dev && st.st_ino == ino; }

} // namespace

void TestStation::RemoveHanded()
{
    const QFileInfo info(dir.path());
    const QByteArray path = QFile::encodeName(info.absoluteFilePath());
    const Handed h = *m_handed;
    // Five seconds at most, and a moment at least should the test's own
    // deadline have passed.
    const Deadline until = Deadline::In(std::chrono::milliseconds(h.deadline.msLeft(500))).atMost(std::chrono::seconds(5));
    // Emptied by its user, in a child that becomes that user: what a link of
    // theirs leads to is out of their reach as it is out of the folder's.
    const pid_t pid = ::fork();
    if (pid == 0) {
        LeaveNothingBehind({});
        const int fd = ::geteuid() != 0 || BecomeUser(h.uid, h.gid)
            ? ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
        struct stat now {};
        const bool same = fd >= 0 && ::fstat(fd, &now) == 0 && SameFolder(now, h.dev, h.ino);
        // Pass after pass: a name swapped back and forth may fail one.
        bool emptied = false;
        while (same && !(emptied = EmptyFolder(fd, 0, until)) && until.msLeft() > 0) ::usleep(10000);
        ::_exit(emptied ? 0 : 1);
    }
    // Stopped by that user, or still at work at the deadline, it is killed.
    int status = -1;
    if (pid > 0) ReapWithin(pid, until.msLeft() + 200, &status);
    // Then the emptied folder alone, from its parent, if it is still the one made.
    const int parent = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const QByteArray name = QFile::encodeName(info.fileName());
    struct stat now {};
    const bool removed = parent >= 0 && status == 0 && ::fstatat(parent, name.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        SameFolder(now, h.dev, h.ino) && ::unlinkat(parent, name.constData(), AT_REMOVEDIR) == 0;
    if (parent >= 0) ::close(parent);
    // Another user who keeps writing in it may keep it; the next run's sweep removes it.
    if (!removed) std::cerr << "the program folder handed to another user stays: " << path.constData() << '\n';
}

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// New databases made by DataBase_Create, by the clock time they were made at. Creating
// one is slow under the sanitizers; a database made at the same moment is the same file.
std::map<qint64, QByteArray>& CreatedDatabases()
{
    static std::map<qint64, QByteArray> cache;
    return cache;
}

} // namespace

void TestStation::OpenFreshDatabase()
{
    const qint64 key = clock.now().toMSecsSinceEpoch();
    const QString live = st.DataPath + QStringLiteral("Park.MDB");
    auto& cache = CreatedDatabases();
    const auto hit = cache.find(key);
    const bool noLiveFile = QDir(st.DataPath).entryList({QStringLiteral("Park.MDB")}, QDir::Files).isEmpty();
    if (hit != cache.end() && noLiveFile) {
        QDir().mkpath(st.DataPath);
        WriteAll(live, hit->second);
        st.worker.WorkerName = QStringLiteral("관리자");  // as the creation leaves it
        st.worker.WorkerCode = 0;
        DBase::DataBase_Check(st);
    } else {
        DBase::DataBase_Check(st);
        if (noLiveFile && st.DbPath == live) cache.emplace(key, ReadAll(live));
    }
    DBase::DataBase_Open(st);
}

void TestStation::CloseDatabase() { DBase::DataBase_Close(st); }

QString TestStation::path(const QString& relative) const { return st.AppPath + QLatin1Char('/') + relative; }

QVariant TestStation::value(const QString& sql, const QVariantList& values) const
{
    return Scalar(st.Db, sql, values);
}

qint64 TestStation::count(const QString& table) const { return RowCount(st.Db, table); }

} // namespace tolvo::test
