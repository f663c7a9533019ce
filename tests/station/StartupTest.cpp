#include "common/SmallDisk.h"
#include "common/OtherUser.h"
#include "common/TestStation.h"
#include "database/DBase.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "serial/FakeComm.h"
#include "station/MainLoad.h"
#include "station/Shutdown.h"
#include "station/Startup.h"
#include "platform/FolderLock.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

using namespace tolvo;
using tolvo::test::BecomeUser;
using tolvo::test::Deadline;
using tolvo::test::LeaveNothingBehind;
using tolvo::test::ReapWithin;
using tolvo::test::TestStation;

namespace {

void Touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

} // namespace

TEST(Startup, AFailureIsShownAndEndsWithAnErrorCode)
{
    TestStation ts(TestStation::Db::None);
    // A file where the data folder must be: nothing can be created.
    QDir(ts.path(QStringLiteral("Data"))).removeRecursively();
    Touch(ts.path(QStringLiteral("Data")));
    bool mainScreen = false;
    const auto end = Startup_Load(ts.st, [&] { mainScreen = true; });
    ASSERT_TRUE(end);
    EXPECT_NE(*end, 0);
    EXPECT_FALSE(mainScreen);
    ASSERT_FALSE(ts.msgs.shown.empty());
    EXPECT_EQ(ts.msgs.shown.back().style & vbCritical, vbCritical);
}

TEST(Startup, MainScreenLoad)
{
    TestStation ts;
    ts.st.settings.TicketsLeft = 321;
    ts.st.worker.WorkerName = QStringLiteral("근무자2");
    Exec(ts.st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 상호 = ?"), {QStringLiteral("한빛주차장")});
    Exec(ts.st.Db, QStringLiteral("UPDATE 폼구성 SET 시간표시 = 0, 수입금액표시 = 0, 이미지저장폴더 = ?"),
         {QStringLiteral("/img")});
    Exec(ts.st.Db, QStringLiteral("UPDATE 시스템 SET 데이터갱신일시 = ?"), {QStringLiteral("2026-01-04")});
    Main_FormLoad(ts.st);
    EXPECT_EQ(ts.screen.text(QStringLiteral("LblTDCnt")), QStringLiteral("321"));
    EXPECT_EQ(ts.screen.text(QStringLiteral("WName")), QStringLiteral("근무자2"));
    EXPECT_EQ(ts.screen.totalsRefreshed, 1);
    EXPECT_EQ(ts.screen.text(QStringLiteral("main")), QStringLiteral("한빛주차장 주차관리 시스템"));
    for (const auto& [control, shown] : {std::pair{"PnlTime", false}, {"LCnt_7", false}, {"LCnt_0", true}, {"WName", true}})
        EXPECT_EQ(ts.screen.visible.value(QString::fromUtf8(control)), shown) << control;
    EXPECT_EQ(ts.st.ImageSaveDir, QStringLiteral("/img"));
    EXPECT_EQ(ts.st.DataRefreshDate, QStringLiteral("2026-01-04"));
    for (bool p : ts.st.HostPending) EXPECT_TRUE(p);
    EXPECT_FALSE(ts.screen.visible.value(QStringLiteral("Mnu_Td")));
    EXPECT_FALSE(ts.screen.isEnabled(QStringLiteral("Mnu_Debug")));
}

TEST(Startup, NoSystemRowMeansToday)
{
    TestStation ts;
    Exec(ts.st.Db, QStringLiteral("DELETE FROM 시스템"));
    Load_FormLayout(ts.st);
    EXPECT_EQ(ts.st.DataRefreshDate, QStringLiteral("2026-01-05"));
}

TEST(Startup, PeriodTotalsOfTheOpenPeriod)
{
    TestStation ts;
    Exec(ts.st.Db, QStringLiteral("UPDATE 시간대별 SET 일반권입차수 = 0, 일반권출차수 = 0, 금액 = 0"));
    Exec(ts.st.Db, QStringLiteral("UPDATE 시간대별 SET 일반권입차수 = 3, 일반권출차수 = 2, 금액 = 1500 WHERE 일련번호 = "
                                  "(SELECT MIN(일련번호) FROM 시간대별)"));
    // An hour of the period before, settled by another worker: not counted, not named.
    Insert(ts.st.Db, "시간대별", {{"시간대", 9}, {"일반권입차수", 40}, {"일반권출차수", 30}, {"금액", 90000},
                                  {"근무자명", "홍길동"}, {"정산여부", true}, {"종료일시", "2026-01-04 20:00"}});
    ShowPeriodTotals(ts.st);
    for (const auto& [control, text] : {std::pair{"WName", "관리자"}, {"LCnt_0", "3"}, {"LCnt_1", "2"}, {"LCnt_7", "1500"}})
        EXPECT_EQ(ts.screen.text(QString::fromUtf8(control)), QString::fromUtf8(text)) << control;
    Exec(ts.st.Db, QStringLiteral("UPDATE 시간대별 SET 정산여부 = 1"));
    ShowPeriodTotals(ts.st);
    EXPECT_EQ(ts.screen.text(QStringLiteral("LCnt_0")), QString()) << "a settled period counts nothing";
}

TEST(Startup, ASecondStationOnTheSameFolderTouchesNothing)
{
    TestStation first(TestStation::Db::None);
    ASSERT_FALSE(Startup_Load(first.st, [] {}));
    TestStation second(TestStation::Db::None);
    second.st.AppPath = first.st.AppPath;
    Touch(first.path(QStringLiteral("Data/Park.bak")));
    const auto end = Startup_Load(second.st, [] { FAIL() << "no main screen"; });
    ASSERT_TRUE(end);
    EXPECT_NE(*end, 0);
    ASSERT_EQ(second.msgs.shown.size(), 1u);
    EXPECT_TRUE(second.msgs.shown[0].text.contains(first.st.AppPath)) << second.msgs.shown[0].text.toStdString();
    EXPECT_TRUE(QFile::exists(first.path(QStringLiteral("Data/Park.bak")))) << "the running station's folder is untouched";
    EXPECT_NO_THROW(Exec(first.st.Db, QStringLiteral("UPDATE 시스템 SET 데이터갱신일시 = ?"), {QStringLiteral("2026-01-06")}));
}
namespace {

// A process of its own run as the station's user: this one, or nobody when the
// tests run as root (root reads every file). It waits for its go, reports what
// its body says and holds on until released. It takes nothing of the test's
// but its pipes, and every wait on it ends by its deadline, whatever that user
// does to it.
class ChildStart {
public:
    static constexpr uid_t kNobody = 65534;

    ChildStart(const Deadline& deadline, const std::function<QString()>& body, int go = -1) : m_deadline(deadline)
    {
        int out[2], hold[2];
        if (::pipe(out) != 0 || ::pipe(hold) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            LeaveNothingBehind({out[1], hold[0], go});
            ::close(out[0]);
            ::close(hold[1]);
            char byte = 0;
            if (go >= 0 && ::read(go, &byte, 1) != 1) ::_exit(1);
            const bool become = !AsRoot() || BecomeUser(kNobody, kNobody);
            const QByteArray said = (become ? body() : QStringLiteral("no station user")).toUtf8() + '\n';
            if (::write(out[1], said.constData(), size_t(said.size())) != said.size()) ::_exit(1);
            while (::read(hold[0], &byte, 1) < 0 && errno == EINTR) {}
            ::_exit(0);
        }
        ::close(out[1]);
        ::close(hold[0]);
        m_out = out[0];
        m_hold = hold[1];
    }
    ~ChildStart()
    {
        if (!m_reported && m_pid > 0) ::kill(m_pid, SIGKILL);
        if (const QString how = end(); m_reported && how != QStringLiteral("ended"))
            ADD_FAILURE() << "a process of the station's user, once it had reported: " << how.toStdString();
        ::close(m_out);
    }
    // A byte, not the pipe's end: later children hold copies of this pipe too.
    void release()
    {
        if (m_hold < 0) return;
        if (m_reported && ::write(m_hold, "x", 1) != 1) ADD_FAILURE() << "child not released";
        ::close(std::exchange(m_hold, -1));
    }
    // Released, its end: "ended", or "killed at its deadline" when it was
    // still there then (stopped, say).
    QString end()
    {
        release();
        if (m_pid <= 0) return QStringLiteral("ended");
        return ReapWithin(std::exchange(m_pid, -1), m_deadline.msLeft(500)) ? QStringLiteral("ended")
                                                                             : QStringLiteral("killed at its deadline");
    }
    pid_t pid() const { return m_pid; }
    // Its report; a start that says nothing by the deadline is killed.
    QString report()
    {
        QByteArray got;
        for (char byte = 0; !got.endsWith('\n');) {
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, m_deadline.msLeft()) != 1 || ::read(m_out, &byte, 1) != 1) {
                ::kill(m_pid, SIGKILL);
                return QStringLiteral("no report by its deadline: ") + QString::fromUtf8(got);
            }
            got += byte;
        }
        m_reported = true;
        return QString::fromUtf8(got.chopped(1));
    }

    static bool AsRoot() { return ::geteuid() == 0; }
    // Where a program folder handed to the station's user can be made: the
    // folder the run's step hands over and removes with it (the step's own
    // TMPDIR is closed to others), else the temporary folder, else the first
    // shared one that user can reach. Empty when there is none; nothing when
    // that user's probe did not report.
    static std::optional<QString> SharedFolder(const Deadline& deadline)
    {
        QStringList dirs{QDir::tempPath(), QStringLiteral("/tmp"), QStringLiteral("/var/tmp"), QStringLiteral("/dev/shm")};
        if (const QString open = qEnvironmentVariable("TOLVO_OPEN_TMPDIR"); !open.isEmpty()) dirs.prepend(open);
        for (const QString& dir : dirs) {
            const QByteArray path = QFile::encodeName(dir);
            ChildStart probe(deadline, [path] { return QString::number(::access(path.constData(), X_OK)); });
            const QString said = probe.report();
            if (said == QStringLiteral("0")) return dir;
            if (said != QStringLiteral("-1")) return std::nullopt;
        }
        return QString();
    }
    static void GiveFolderToStationUser(TestStation& ts, const Deadline& deadline) { ts.HandTo(kNobody, kNobody, deadline); }

private:
    Deadline m_deadline;
    pid_t m_pid = -1;
    bool m_reported = false;
    int m_out = -1;
    int m_hold = -1;
};

// The start's message, or "started" when this process holds the lock on the very
// file the path names, and the file names it.
QString Start(TestStation& ts)
{
    if (Startup_Load(ts.st, [] {})) return ts.msgs.shown.empty() ? QStringLiteral("ended silently") : ts.msgs.shown[0].text;
    QFile file(ts.st.AppPath + QStringLiteral("/Tolvo.lock"));
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("started, lock file unreadable");
    if (::flock(file.handle(), LOCK_EX | LOCK_NB) == 0) return QStringLiteral("started, lock file not locked");
    if (file.readLine().trimmed() != QByteArray::number(::getpid())) return QStringLiteral("started, not named");
    return QStringLiteral("started");
}

// Takes the lock and lets go again and again, as stations starting and ending in
// turn; counts the times another process held it at the same moment.
QString TakeInTurns(const QString& path)
{
    const QByteArray inside = QFile::encodeName(path + QStringLiteral(".inside"));
    int overlaps = 0;
    for (int i = 0; i < 1000; ++i) {
        FolderLock lock(path);
        if (lock.take() != FolderLock::Result::Taken) continue;
        const int fd = ::open(inside.constData(), O_CREAT | O_EXCL | O_WRONLY, 0600);
        overlaps += fd < 0;
        if (fd >= 0 && (::close(fd) != 0 || ::unlink(inside.constData()) != 0)) return QStringLiteral("marker lost");
    }
    return QStringLiteral("%1 overlaps").arg(overlaps);
}

pid_t DeadProcess()
{
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

// The ten names of the files a swapped folder and the root folder behind the link each hold.
QStringList TenFiles()
{
    QStringList names;
    for (int i = 0; i < 10; ++i) names << QStringLiteral("file%1").arg(i);
    return names;
}

// In `folder`, as its user: five folders d0 to d4, each holding the ten files,
// and beside each a link s0 to s4 to `target`, each pair's names swapped without
// end by two threads, so that whoever walks a folder by its name may walk
// `target`. A link removed is made again; a pair whose folder is gone, or a
// minute, ends it.
QString SwapWithLink(const QString& folder, const QString& target)
{
    const QByteArray to = QFile::encodeName(target);
    for (int pair = 0; pair < 5; ++pair) {
        const QByteArray d = QFile::encodeName(folder) + "/d" + QByteArray::number(pair);
        const QByteArray s = QFile::encodeName(folder) + "/s" + QByteArray::number(pair);
        if (::mkdir(d.constData(), 0700) != 0 || ::symlink(to.constData(), s.constData()) != 0)
            return QStringLiteral("no folder and link");
        for (const QString& name : TenFiles()) ::close(::open(d + '/' + name.toLatin1(), O_CREAT | O_WRONLY, 0600));
        const auto swap = [to, d, s] {
            const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
            for (int remade = 0; std::chrono::steady_clock::now() < end && remade < 10;) {
                if (::syscall(SYS_renameat2, AT_FDCWD, d.constData(), AT_FDCWD, s.constData(), RENAME_EXCHANGE) == 0 || errno != ENOENT)
                    continue;
                struct stat st {};
                const bool atD = ::lstat(d.constData(), &st) == 0 && S_ISDIR(st.st_mode);
                if (!atD && (::lstat(s.constData(), &st) != 0 || !S_ISDIR(st.st_mode))) return;
                remade += ::symlink(to.constData(), atD ? s.constData() : d.constData()) == 0;
            }
        };
        std::thread(swap).detach();
        std::thread(swap).detach();
    }
    return QStringLiteral("swapping");
}

// The names and modes in a folder, "name mode|…", sorted.
QString Listing(const QString& folder)
{
    QStringList out;
    for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)) {
        struct stat st {};
        ::lstat(QFile::encodeName(folder + QLatin1Char('/') + name).constData(), &st);
        out << name + QLatin1Char(' ') + QString::number(st.st_mode & 07777, 8);
    }
    return out.join(QLatin1Char('|'));
}

} // namespace

TEST(Startup, ALockFileNobodyHoldsIsTakenOverWhateverItsModeOrOwner)
{
    const QString running = QStringLiteral("프로그램이 이미 실행 중입니다.");
    const QString unreadable = QStringLiteral("잠금 파일을 읽을 수 없습니다: %1");
    const QString otherUsers = QStringLiteral("잠금 파일을 읽을 수 없습니다 (다른 사용자 root의 파일): %1");
    const QString notLockable = QStringLiteral("프로그램 폴더를 잠글 수 없습니다: %1");
    const QString othersFolder = QStringLiteral("다른 사용자 nobody의 폴더입니다. 그 사용자로 시작하십시오: %2");
    enum class At { Nothing, File, Folder }; // what stands at the lock's path
    enum class Names { Nothing, DeadProcess, HolderHere };
    enum class Owner { Station, Other }; // another owner: root while the station runs as nobody
    enum class By { StationUser, Root }; // who starts the station
    const struct {
        const char* what;
        At at;
        mode_t mode;
        Names names;
        Owner owner;
        QString says;
        // Beside the lock, the station's user swaps a folder of its own and a link to a root folder.
        bool swapped = false;
        By by = By::StationUser;
        // Once it has reported, the start is stopped, as that user may: the
        // test ends by its deadline all the same, and says so.
        bool stopped = false;
    } rows[] = {
        {"no file", At::Nothing, 0, Names::Nothing, Owner::Station, QStringLiteral("started")},
        {"0444 empty, left by a power cut", At::File, 0444, Names::Nothing, Owner::Station, QStringLiteral("started")},
        {"0444 naming a dead process", At::File, 0444, Names::DeadProcess, Owner::Station, QStringLiteral("started")},
        {"0644 another user's, naming a dead process", At::File, 0644, Names::DeadProcess, Owner::Other, QStringLiteral("started")},
        {"0000 the station's own", At::File, 0000, Names::DeadProcess, Owner::Station, unreadable},
        {"0600 another user's", At::File, 0600, Names::DeadProcess, Owner::Other, otherUsers},
        {"0644 held by a running station", At::File, 0644, Names::HolderHere, Owner::Station, running},
        {"a folder in its place", At::Folder, 0, Names::Nothing, Owner::Station, notLockable},
        {"no file, beside it a link behind a swapped name", At::Nothing, 0, Names::Nothing, Owner::Station,
         QStringLiteral("started"), true},
        {"no file, the folder the station's user's, with a link Data to a root folder, started by root", At::Nothing, 0,
         Names::Nothing, Owner::Station, othersFolder, false, By::Root},
        {"no file, the start stopped once it has reported", At::Nothing, 0, Names::Nothing, Owner::Station,
         QStringLiteral("started"), false, By::StationUser, true},
    };
    // Whatever the station's user does to its processes and folders.
    const Deadline bound = Deadline::In(std::chrono::seconds(40));
    const auto shared = ChildStart::SharedFolder(bound);
    ASSERT_TRUE(shared) << "the station's user's probe did not report";
    if (shared->isEmpty()) GTEST_SKIP() << "no temporary folder the station's user (nobody) can reach";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if ((row.owner == Owner::Other || row.by == By::Root) && !ChildStart::AsRoot()) {
            std::cout << "[ SKIPPED  ] " << row.what << ": giving a file to another user needs root\n";
            continue;
        }
        // The root folder the link leads to: the program folder's removal must not reach it.
        QTemporaryDir root;
        for (const QString& name : TenFiles())
            ASSERT_EQ(::close(::open(QFile::encodeName(root.path() + QLatin1Char('/') + name).constData(), O_CREAT | O_WRONLY, 0)), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
        {
            std::optional<ChildStart> swapper;
            TestStation ts(TestStation::Db::None, TestStation::DefaultStart(), *shared);
            const QString path = ts.path(QStringLiteral("Tolvo.lock"));
            QFile holder(path);
            if (row.by == By::Root) {
                ASSERT_TRUE(QDir(ts.path(QStringLiteral("Data"))).removeRecursively());
                ASSERT_TRUE(QFile::link(root.path(), ts.path(QStringLiteral("Data"))));
            }
            if (row.at == At::Folder) {
                ASSERT_TRUE(QDir().mkdir(path));
            }
            if (row.at == At::File) {
                ASSERT_TRUE(holder.open(QIODevice::WriteOnly));
                const pid_t named = row.names == Names::DeadProcess ? DeadProcess() : ::getpid();
                if (row.names != Names::Nothing) holder.write(QByteArray::number(named) + "\ntolvo\nhost\n");
                holder.flush();
                if (row.names == Names::HolderHere) ASSERT_EQ(::flock(holder.handle(), LOCK_EX | LOCK_NB), 0);
                else holder.close();
                const uid_t owner = row.owner == Owner::Other || !ChildStart::AsRoot() ? ::geteuid() : ChildStart::kNobody;
                ASSERT_EQ(::chown(QFile::encodeName(path).constData(), owner, owner), 0);
                ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), row.mode), 0);
            }
            // Handed over once root is done in it: root acts by name only where no other user may enter.
            ChildStart::GiveFolderToStationUser(ts, bound);
            if (row.swapped) {
                swapper.emplace(bound, [&] { return SwapWithLink(ts.st.AppPath, root.path()); });
                ASSERT_EQ(swapper->report(), QStringLiteral("swapping"));
            }
            const QString says = QString(row.says).replace(QStringLiteral("%1"), path).replace(QStringLiteral("%2"), ts.st.AppPath);
            if (row.by == By::Root) {
                EXPECT_EQ(Start(ts).toStdString(), says.toStdString());
            } else {
                ChildStart start(row.stopped ? bound.atMost(std::chrono::seconds(2)) : bound, [&] { return Start(ts); });
                EXPECT_EQ(start.report().section(QChar(13), 0, 0).toStdString(), says.toStdString());
                if (row.stopped) {
                    ASSERT_EQ(::kill(start.pid(), SIGSTOP), 0);
                }
                EXPECT_EQ(start.end(), row.stopped ? QStringLiteral("killed at its deadline") : QStringLiteral("ended"));
            }
        }
        EXPECT_EQ(Listing(root.path()).toStdString(), "file0 0|file1 0|file2 0|file3 0|file4 0|file5 0|file6 0|file7 0|file8 0|file9 0");
        struct stat kept {};
        ASSERT_EQ(::stat(QFile::encodeName(root.path()).constData(), &kept), 0);
        EXPECT_EQ(kept.st_mode & 07777, 0755u) << "the root folder's mode";
    }
}

// What a process of the station's user could take from the test's own: a
// variable of its environment (a CI job's token), a file it has open, its
// working folder (inside root's closed home), its memory.
TEST(Startup, TheStationUsersProcessTakesNothingOfTheTests)
{
    ASSERT_EQ(::setenv("TOLVO_TEST_MARKER", "the test's own", 1), 0);
    QTemporaryDir closed;
    ASSERT_EQ(::chdir(QFile::encodeName(closed.path()).constData()), 0);
    const int file = ::open("open-file", O_CREAT | O_RDWR, 0600);
    ASSERT_GE(file, 0);
    const struct {
        const char* what;
        std::function<QString()> look;
        QString sees;
    } rows[] = {
        {"its environment", [] {
             QStringList names;
             for (char** v = environ; v && *v; ++v) names << QString::fromLocal8Bit(*v).section(u'=', 0, 0);
             return names.join(u' ');
         }, QString()},
        {"its descriptors but the standard ones, by kind", [] {
             QStringList kinds;
             for (int fd = 3; fd < 1024; ++fd)
                 if (struct stat st {}; ::fstat(fd, &st) == 0) kinds << (S_ISFIFO(st.st_mode) ? "pipe" : "other");
             return kinds.join(u' ');
         }, QStringLiteral("pipe pipe")},
        {"its working folder", [] { return QDir::currentPath(); }, QStringLiteral("/")},
        {"whether its user may read its memory", [] { return QString::number(::prctl(PR_GET_DUMPABLE)); },
         ChildStart::AsRoot() ? QStringLiteral("0") : QStringLiteral("1")},
    };
    const Deadline bound = Deadline::In(std::chrono::seconds(40));
    for (const auto& row : rows) {
        ChildStart child(bound, row.look);
        EXPECT_EQ(child.report().toStdString(), row.sees.toStdString()) << row.what;
    }
    ::close(file);
    ASSERT_EQ(::chdir("/"), 0);
    ::unsetenv("TOLVO_TEST_MARKER");
}

TEST(Startup, TwoStartsAtOnceOnOneFolderLeaveExactlyOneRunning)
{
    const Deadline bound = Deadline::In(std::chrono::seconds(40));
    const auto shared = ChildStart::SharedFolder(bound);
    ASSERT_TRUE(shared) << "the station's user's probe did not report";
    if (shared->isEmpty()) GTEST_SKIP() << "no temporary folder the station's user (nobody) can reach";
    for (const bool leftover : {false, true}) // none, or a read-only one naming a dead process
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE(testing::Message() << leftover << " round " << round);
            TestStation ts(TestStation::Db::None, TestStation::DefaultStart(), *shared);
            const QString path = ts.path(QStringLiteral("Tolvo.lock"));
            if (leftover) {
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                file.write(QByteArray::number(DeadProcess()) + "\ntolvo\nhost\n");
                file.close();
                const uid_t owner = ChildStart::AsRoot() ? ChildStart::kNobody : ::geteuid();
                ASSERT_EQ(::chown(QFile::encodeName(path).constData(), owner, owner), 0);
                ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            }
            ChildStart::GiveFolderToStationUser(ts, bound);
            int go[2];
            ASSERT_EQ(::pipe(go), 0);
            ChildStart first(bound, [&] { return Start(ts); }, go[0]), second(bound, [&] { return Start(ts); }, go[0]);
            ASSERT_EQ(::write(go[1], "gg", 2), 2);
            QStringList said{first.report(), second.report()};
            said.sort();
            EXPECT_EQ(said.join(QLatin1Char('|')).section(QChar(13), 0, 0).toStdString(),
                      "started|프로그램이 이미 실행 중입니다.");
            first.release();
            second.release();
            ::close(go[0]);
            ::close(go[1]);
        }
    // Four processes starting and ending in turn on one folder: never two at once.
    TestStation ts(TestStation::Db::None, TestStation::DefaultStart(), *shared);
    ChildStart::GiveFolderToStationUser(ts, bound);
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::vector<std::unique_ptr<ChildStart>> starts;
    for (int i = 0; i < 4; ++i)
        starts.push_back(std::make_unique<ChildStart>(bound, [&] { return TakeInTurns(ts.path(QStringLiteral("Tolvo.lock"))); }, go[0]));
    ASSERT_EQ(::write(go[1], "gggg", 4), 4);
    for (auto& start : starts) EXPECT_EQ(start->report().toStdString(), "0 overlaps");
    ::close(go[0]);
    ::close(go[1]);
}

TEST(Startup, AReadOnlyProgramFolderWithALockLeftByACrashSaysTheFolderCannotBeWritten)
{
    TestStation ts(TestStation::Db::None);
    tolvo::test::SmallDisk disk(ts.st.AppPath);
    if (!disk.ok()) GTEST_SKIP() << "needs root for a tmpfs in a mount namespace";
    // A station that died holding the lock (its process is gone), then the disk read-only.
    const pid_t crashed = ::fork();
    if (crashed == 0) {
        QLockFile lock(ts.path(QStringLiteral("Tolvo.lock")));
        ::_exit(lock.tryLock() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(crashed, &status, 0), crashed);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFile::exists(ts.path(QStringLiteral("Tolvo.lock"))));
    ASSERT_TRUE(disk.readOnly(true));

    const auto end = Startup_Load(ts.st, [] { FAIL() << "no main screen"; });
    ASSERT_TRUE(end);
    EXPECT_NE(*end, 0);
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    const QString text = ts.msgs.shown[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("프로그램 폴더에 쓸 수 없습니다."))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("이미 실행 중"))) << text.toStdString();
}

TEST(Shutdown, QuestionTextStyleAndAnswers)
{
    TestStation ts;
    EXPECT_FALSE(Shutdown_Confirm(ts.st)) << "unanswered: No, the default";
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    const auto& m = ts.msgs.shown[0];
    EXPECT_EQ(m.text, QStringLiteral("프로그램을 종료하면 주차관리 업무를 수행할수 없습니다.\r\n\r\n종료하시겠습니까?"));
    EXPECT_EQ(m.title, QStringLiteral("Tarvola"));
    EXPECT_EQ(m.style, vbYesNo | vbCritical | vbDefaultButton2);
    ts.msgs.msgBoxAnswers = {vbNo, vbYes};
    EXPECT_FALSE(Shutdown_Confirm(ts.st));
    EXPECT_TRUE(Shutdown_Confirm(ts.st));
}

TEST(Shutdown, RunMarksTheCleanEndAndClosesEverything)
{
    for (const bool ports : {true, false}) { // with a port array, and with none at all
        TestStation ts;
        Exec(ts.st.Db, QStringLiteral("UPDATE 시스템 SET 정상적인종료 = 0"));
        if (ports) InstallFakeComm(ts.st);
        Shutdown_Run(ts.st);
        EXPECT_FALSE(ts.st.Db.isOpen());
        ts.OpenFreshDatabase();
        EXPECT_TRUE(ToBool(ts.value(QStringLiteral("SELECT 정상적인종료 FROM 시스템")))) << ports;
    }
}

TEST(Shutdown, OpenFeeDisplayIsClearedFirst)
{
    TestStation ts;
    FakeComm fake = InstallFakeComm(ts.st);
    Exec(ts.st.Db, QStringLiteral("UPDATE 요금표시기 SET 사용여부 = 1, 포트번호 = ?"), {QStringLiteral("Com8")});
    ASSERT_TRUE(Comm::InitPort(ts.st, QStringLiteral("요금표시기"), PortFeeDisp));
    ASSERT_TRUE(ts.st.comm->PortOpen(PortFeeDisp));
    const QString path = ts.st.comm->PortPath(PortFeeDisp);
    Shutdown_Run(ts.st);
    EXPECT_FALSE(fake.ports->device(path).written().isEmpty()) << "the clear frame went out";
    EXPECT_FALSE(ts.st.comm->PortOpen(PortFeeDisp));
}

