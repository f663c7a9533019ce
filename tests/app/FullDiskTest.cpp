// An exit, a settlement, the archive and a backup on a full file system and on
// one remounted read-only: a clear message, nothing half-written, the station
// keeps running, and the next attempt once the disk is back succeeds. Needs root
// for a small tmpfs in a mount namespace of this process (skipped otherwise).

#include "database/Archive.h"
#include "database/DBase.h"
#include "database/Master.h"
#include "settlement/Settlement.h"
#include "station/ExitTestSupport.h"
#include "common/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::ExitRig;
using tolvo::test::SmallDisk;

namespace {

void CopyTree(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QFileInfo& e : QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        if (e.isDir()) CopyTree(e.filePath(), to + QLatin1Char('/') + e.fileName());
        else QFile::copy(e.filePath(), to + QLatin1Char('/') + e.fileName());
    }
}

// The rig's station moved onto the small disk.
void MoveOnto(ExitRig& rig, const QString& path)
{
    Station& st = rig.st;
    DBase::DataBase_Close(st);
    CopyTree(st.AppPath, path);
    st.AppPath = path;
    st.IniPath = path + QStringLiteral("/Tolvo.ini");
    DBase::SetFolders(st);
    st.DbPath = st.DataPath + QStringLiteral("Park.MDB");
    DBase::DataBase_Open(st);
}

qint64 Count(const Station& st, const QString& sql) { return Scalar(st.Db, sql).toLongLong(); }

struct Step {
    const char* name;
    std::function<void(ExitRig&)> prepare; // before the disk fails
    std::function<void(ExitRig&)> run;     // what the booth does
    std::function<QString(ExitRig&)> state; // what must not change while it fails, and change after
    const char* readOnlySays = nullptr;     // the reason in words its message gives on a read-only disk
};

const QString kExits = QStringLiteral("SELECT COUNT(*) || '/' || COALESCE(SUM(실수령금액), 0) || '/' || "
                                      "(SELECT SUM(일반권출차수) || '/' || SUM(금액) FROM 시간대별) FROM 일반권 WHERE 출차일 <> ''");

std::vector<Step> Steps()
{
    return {
        {"exit", [](ExitRig& r) { r.addEntry("0042", "2026-01-05", "07:30"); },
         [](ExitRig& r) {
             if (!r.st.trx.TicketInProgress) r.type("0042");
             r.enter();
         },
         [](ExitRig& r) { return Scalar(r.st.Db, kExits).toString(); }},
        {"settlement", [](ExitRig&) {},
         [](ExitRig& r) {
             try {
                 Settle_MarkPeriod(r.st, QStringLiteral("2026-01-05 10:00"));
             } catch (const DbError& e) {
                 r.st.msgs.Msg_Box(e.message(), QStringLiteral("정산"));
             }
         },
         [](ExitRig& r) { return QString::number(Count(r.st, QStringLiteral("SELECT COUNT(*) FROM 시간대별 WHERE 정산여부 = 1"))); }},
        {"archive",
         [](ExitRig& r) {
             r.addSettled("0050", "2026-01-04", "07:00", "2026-01-04", "08:00", 60, 2500);
             Exec(r.st.Db, QStringLiteral("UPDATE 일반권 SET 정산구분 = 1, 전송여부 = 1"));
         },
         [](ExitRig& r) {
             r.ts.clock.setNow(r.ts.clock.now().addDays(1)); // a failed day goes with the next
             Archive_DayData(r.st);
         },
         [](ExitRig& r) { return QString::number(Count(r.st, QStringLiteral("SELECT COUNT(*) FROM 일반권"))); },
         "백업 폴더가 읽기 전용입니다"},
        {"backup", [](ExitRig& r) { r.ts.msgs.msgBoxAnswers.assign(8, vbOK); },
         [](ExitRig& r) { Backup_ToMaster(r.st); },
         [](ExitRig& r) {
             ScopedConnection master(DBase::MasterPath(r.st), true);
             return Scalar(r.st.Db, QStringLiteral("SELECT 시스템백업기록 FROM 시스템")).toString() + QLatin1Char('/') +
                    Scalar(master.db(), QStringLiteral("SELECT COUNT(*) FROM 요금테이블")).toString();
         }},
    };
}

TEST(FullDisk, EachStepFailsCleanlyAndSucceedsOnceTheDiskIsBack)
{
    for (const bool readOnly : {false, true}) {
        for (const Step& s : Steps()) {
            SCOPED_TRACE(std::string(s.name) + (readOnly ? " on a read-only disk" : " on a full disk"));
            ExitRig rig;
            QTemporaryDir mount;
            SmallDisk disk(mount.path());
            if (!disk.ok()) GTEST_SKIP() << "needs root for a tmpfs in a mount namespace";
            MoveOnto(rig, mount.path());
            rig.ts.clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 0)));
            s.prepare(rig);
            const QString before = s.state(rig);
            if (readOnly) {
                // A file open for writing keeps the kernel from remounting: the station opens it again.
                DBase::DataBase_Close(rig.st);
                ASSERT_TRUE(disk.readOnly(true));
                DBase::DataBase_Open(rig.st);
                EXPECT_EQ(JournalMode(rig.st.Db), QStringLiteral("delete")) << "a read-only disk keeps the rollback journal";
            } else {
                disk.fill();
            }
            rig.ts.msgs.clear();
            rig.ts.screen.list1.clear();
            s.run(rig);
            EXPECT_FALSE(rig.ts.msgs.shown.empty() && rig.ts.screen.list1.isEmpty()) << "no message";
            if (readOnly && s.readOnlySays) {
                EXPECT_TRUE(rig.ts.screen.list1.join('\n').contains(s.readOnlySays)) << rig.ts.screen.list1.join('\n').toStdString();
            }
            EXPECT_EQ(s.state(rig), before) << "half-written";
            EXPECT_EQ(Scalar(rig.st.Db, QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
            DBase::DataBase_Close(rig.st);
            disk.restore();
            DBase::DataBase_Open(rig.st);
            rig.ts.clock.setNow(rig.ts.clock.now().addSecs(60));
            s.run(rig);
            EXPECT_NE(s.state(rig), before) << "the next attempt did not go through";
            DBase::DataBase_Close(rig.st);
        }
    }
}

} // namespace
