#include "common/TestStation.h"
#include "database/Master.h"
#include "database/Schema.h"
#include "core/Sql.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <map>
#include <vector>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

const QString CR = QString(QChar(13));

const QStringList kSettings{"발권기", "리더기", "영수증프린터", "요금표시기", "정기권입구1", "정기권출구1", "정기권입구2",
                            "정기권출구2", "기능키", "할인키", "시스템", "근무자관리", "인쇄옵션", "기타", "요금테이블", "공휴일"};

// Every row of a table as text, in row order; the column `skip` left out.
QStringList Dump(const QSqlDatabase& db, const QString& table, const QString& skip = {})
{
    QStringList out;
    QSqlQuery q = Query(db, QString("SELECT * FROM %1 ORDER BY rowid").arg(Id(table)));
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i)
            if (q.record().fieldName(i) != skip) row << (q.value(i).isNull() ? QString("<null>") : q.value(i).toString());
        out << row.join('|');
    }
    return out;
}

std::map<QString, QStringList> DumpSettings(const QSqlDatabase& db)
{
    std::map<QString, QStringList> out;
    for (const QString& t : kSettings) out[t] = Dump(db, t);
    return out;
}

QStringList DumpMaster(const TestStation& ts, const QString& table)
{
    ScopedConnection c(ts.path("Master/Master.mdb"), true);
    return Dump(c.db(), table);
}

// Replaces every settings table by two rows in which each field holds a value no other field of the
// table holds (Booleans alternate), so that a lost row, field or table, or two swapped fields, show.
// `phase` 0 and 1 give different values.
void FillDistinct(const QSqlDatabase& db, int phase)
{
    for (const QString& t : kSettings) {
        Exec(db, QString("DELETE FROM %1").arg(Id(t)));
        QSqlQuery c = Query(db, "SELECT name, type, dflt_value FROM pragma_table_info(?) ORDER BY cid", {t});
        QStringList names;
        QStringList types;
        QVariantList defaults;
        while (c.next()) names << c.value(0).toString(), types << c.value(1).toString(), defaults << c.value(2);
        for (int row = 0, k = 1 + 100 * phase; row < 2; ++row) {
            QVariantList v;
            for (qsizetype i = 0; i < names.size(); ++i, ++k) {
                const int size = types[i].startsWith("TEXT(") ? types[i].mid(5).chopped(1).toInt() : 0;
                if (defaults[i].toString() == "0") v << (k % 2);  // Boolean
                else if (size == 0) v << k;                      // a number from 0 to 255 fits every kind
                else if (size == 1) v << QString(QChar('a' + k % 26));
                else if (size == 5) v << QString("%1:%2").arg(k / 60 % 24, 2, 10, QChar('0')).arg(k % 60, 2, 10, QChar('0'));
                else v << QString("%1%2").arg(phase ? 'n' : 'b').arg(k).left(size);
            }
            Exec(db, QString("INSERT INTO %1 (%2) VALUES (%3)").arg(Id(t), IdList(names), QStringList(names.size(), "?").join(',')), v);
        }
    }
}

struct MasterStation : TestStation {
    MasterStation() : TestStation(Db::Fresh, QDateTime(QDate(2006, 7, 1), QTime(9, 30, 0)))
    {
        st.worker.WorkerName = "관리자";
    }
    // Changes every kind of settings table so a copy is visible.
    void changeSettings(const QString& tag)
    {
        Insert(st.Db, "공휴일", {{"적요", tag}, {"날짜", "2006-08-15"}});
        Insert(st.Db, "할인키", {{"명칭", tag}, {"키코드1", 65}, {"키코드2", 0}, {"사용여부", true}});
        Insert(st.Db, "기능키", {{"명칭", tag}, {"기능코드", 3}, {"키코드1", 66}, {"키코드2", 0}, {"사용여부", true}});
        Insert(st.Db, "요금테이블", {{"주차시간", "00시간05분"}, {"요금", 500}, {"구분", 500}, {"시간", 1},
                                    {"적용구분", "기본요금"}});
        Exec(st.Db, "UPDATE 발권기 SET 포트번호 = 'Com11', 사용여부 = 1");
        Exec(st.Db, "UPDATE 근무자관리 SET 비밀번호 = '111111' WHERE 근무자코드 = 2");
        Exec(st.Db, "UPDATE 인쇄옵션 SET 상호 = ?", {tag});
        Exec(st.Db, "UPDATE 기타 SET 기본금액 = 700, 평일개장시간 = '08:00'");
        Exec(st.Db, "UPDATE 시스템 SET 자료보관기간 = 6");
    }
};

} // namespace

TEST(Master, BackupThenRestoreBringsBackEverySettingsTableExactly)
{
    MasterStation ts;
    ts.st.worker.WorkerName = "O'Neil";  // stamped as is
    FillDistinct(ts.st.Db, 0);
    const auto atBackup = DumpSettings(ts.st.Db);
    const auto systemAtBackup = Dump(ts.st.Db, "시스템", "시스템복구기록");
    ts.msgs.msgBoxAnswers = {vbOK};
    Backup_ToMaster(ts.st);
    ASSERT_EQ(ts.msgs.shown.size(), 2u);
    EXPECT_EQ(ts.msgs.shown[1].text, "마스터 데이터 베이스에 백업이 완료되었습니다.");
    EXPECT_EQ(ts.msgs.shown[1].style, vbInformation);

    // The master holds the live settings as they were before the stamp.
    for (const QString& t : kSettings) EXPECT_EQ(DumpMaster(ts, t), atBackup.at(t)) << t.toStdString();
    EXPECT_EQ(ts.value("SELECT group_concat(시스템백업기록, '/') FROM 시스템").toString(),
              QStringList(2, "2006-07-01 09:30:00 에 O'Neil에 의해 최종적으로 백업된 자료입니다.").join('/'));

    // Settings change afterwards, then are restored: the master's own 시스템 rows carry the stamp before that backup.
    FillDistinct(ts.st.Db, 1);
    ts.clock.advanceSecs(60);
    ts.msgs.clear();
    ts.msgs.msgBoxAnswers = {vbOK};
    std::vector<Qt::CursorShape> pointers; // the main screen's, at each message
    ts.msgs.onShow = [&](const auto&) { pointers.push_back(ts.screen.pointer); };
    Restore_FromMaster(ts.st);

    for (const QString& t : kSettings)
        if (t != "시스템") {
            EXPECT_EQ(Dump(ts.st.Db, t), atBackup.at(t)) << t.toStdString();
        }
    EXPECT_EQ(Dump(ts.st.Db, "시스템", "시스템복구기록"), systemAtBackup);
    EXPECT_EQ(ts.value("SELECT group_concat(시스템복구기록, '/') FROM 시스템").toString(),
              QStringList(2, "2006-07-01 09:31:00 에 O'Neil에 의해 최종적으로 복구된 자료입니다.").join('/'));

    ASSERT_EQ(ts.msgs.shown.size(), 2u);
    EXPECT_EQ(ts.msgs.shown[1].text, "최근에 백업된 마스터 데이터 베이스의 내용으로 복구되었습니다." + CR + CR +
                                         "프로그램을 종료후 재실행 하십시요!");
    EXPECT_EQ(pointers, (std::vector{Qt::BusyCursor, Qt::BusyCursor}));
    EXPECT_EQ(ts.screen.pointer, Qt::ArrowCursor);
    EXPECT_FALSE(ts.screen.timerOn);
    EXPECT_EQ(ts.screen.unloaded, 1);
}

TEST(Master, CancelledQuestionsShowTheLastBackupStampAndChangeNothing)
{
    MasterStation ts;
    const auto masterBefore = DumpMaster(ts, "인쇄옵션");
    ts.changeSettings("바뀜");
    Exec(ts.st.Db, "UPDATE 시스템 SET 시스템백업기록 = NULL");
    const auto liveBefore = DumpSettings(ts.st.Db);
    std::vector<Qt::CursorShape> pointers; // the main screen's, at each question
    ts.msgs.onShow = [&](const auto&) { pointers.push_back(ts.screen.pointer); };
    Backup_ToMaster(ts.st);  // unscripted: cancel
    Exec(ts.st.Db, "UPDATE 시스템 SET 시스템백업기록 = 'S'");
    ts.msgs.msgBoxAnswers = {vbCancel};
    Restore_FromMaster(ts.st);
    ASSERT_EQ(ts.msgs.shown.size(), 2u);
    EXPECT_EQ(ts.msgs.shown[0].text, CR + CR + "현재 셋팅된 자료를 마스터 데이터 베이스에 백업을 하시겠습니까?");
    EXPECT_EQ(ts.msgs.shown[0].style, vbOKCancel | vbInformation);
    EXPECT_EQ(ts.msgs.shown[0].title, "Tarvola");
    EXPECT_EQ(ts.msgs.shown[1].text,
              "S" + CR + CR + "이기능은 현재설정되어 있는 자료가 최근에 백업된 마스터 데이터 베이스의 내용으로 재설정 됩니다." +
                  CR + CR + "따라서 취소할 수 없습니다. 계속 하시겠습니까?");
    EXPECT_EQ(DumpMaster(ts, "인쇄옵션"), masterBefore);
    Exec(ts.st.Db, "UPDATE 시스템 SET 시스템백업기록 = NULL");
    EXPECT_EQ(DumpSettings(ts.st.Db), liveBefore);
    EXPECT_EQ(pointers, (std::vector{Qt::ArrowCursor, Qt::BusyCursor})); // only the restore shows the hourglass
    EXPECT_EQ(ts.screen.pointer, Qt::ArrowCursor);
    EXPECT_TRUE(ts.screen.timerOn);
    EXPECT_EQ(ts.screen.unloaded, 0);
}

TEST(Master, MissingMasterIsReportedAndNothingChanges)
{
    const QString text = "마스터 화일이 존재하지 않습니다." + CR + "프로그램을 종료하고 다시 실행하면 마스터 화일을 생성합니다.";
    for (const bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "AFolderNamedLikeTheMasterCopyIsNoMasterCopy" : "no file");
        MasterStation ts;
        ASSERT_TRUE(QFile::remove(ts.path("Master/Master.mdb")));
        ASSERT_TRUE(!folder || QDir().mkpath(ts.path("Master/Master.mdb")));
        const auto before = DumpSettings(ts.st.Db);
        ts.msgs.msgBoxAnswers = {vbOK, vbOK, vbOK, vbOK};
        Backup_ToMaster(ts.st);
        Restore_FromMaster(ts.st);
        ASSERT_EQ(ts.msgs.shown.size(), 2u);
        EXPECT_EQ(ts.msgs.shown[0].title + ts.msgs.shown[0].text, "데이터 백업오류" + text);
        EXPECT_EQ(ts.msgs.shown[1].title + ts.msgs.shown[1].text, "데이터 복구오류" + text);
        EXPECT_EQ(ts.msgs.shown[0].style, vbCritical);
        EXPECT_EQ(DumpSettings(ts.st.Db), before);
        EXPECT_EQ(QFileInfo::exists(ts.path("Master/Master.mdb")), folder); // not created by attaching
        EXPECT_TRUE(ts.screen.timerOn);
    }
}

TEST(Master, AMasterLackingATableOrColumnChangesNeitherFileAndIsReported)
{
    struct Row { const char* name; const char* masterSql; bool backup; const char* title; const char* names; };
    const Row rows[] = {
        {"restore lacking a table", "DROP TABLE 공휴일", false, "데이터 복구오류", "공휴일"},
        {"backup lacking a column", "DROP TABLE 요금테이블; CREATE TABLE 요금테이블 (주차시간 TEXT, 요금 INTEGER)", true,
         "데이터 백업오류", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        MasterStation ts;
        {
            ScopedConnection m(ts.path("Master/Master.mdb"));
            for (const QString& sql : QString(r.masterSql).split("; ")) Exec(m.db(), sql);
        }
        const auto masterBefore = DumpMaster(ts, "발권기");
        ts.changeSettings("현재");
        const auto before = DumpSettings(ts.st.Db); // the backup stamp included
        ts.msgs.msgBoxAnswers = {vbOK};
        r.backup ? Backup_ToMaster(ts.st) : Restore_FromMaster(ts.st);
        EXPECT_EQ(DumpSettings(ts.st.Db), before);
        EXPECT_EQ(DumpMaster(ts, "발권기"), masterBefore); // earlier tables were not emptied either
        ASSERT_EQ(ts.msgs.shown.size(), 2u);
        EXPECT_EQ(ts.msgs.shown[1].title, r.title);
        EXPECT_EQ(ts.msgs.shown[1].style, vbCritical);
        EXPECT_TRUE(ts.msgs.shown[1].text.contains(r.names));
        EXPECT_TRUE(ts.screen.timerOn); // stopped for the copy, running again
        EXPECT_EQ(ts.screen.unloaded, 0);
    }
}

TEST(Master, EmptyLiveTableEndsEmptyInTheMaster)
{
    MasterStation ts;
    ts.changeSettings("x");
    ts.msgs.msgBoxAnswers = {vbOK, vbOK, vbOK};  // question, done, question
    Backup_ToMaster(ts.st);
    EXPECT_EQ(DumpMaster(ts, "공휴일").size(), 1);
    Exec(ts.st.Db, "DELETE FROM 공휴일");
    Backup_ToMaster(ts.st);
    EXPECT_TRUE(DumpMaster(ts, "공휴일").isEmpty());
}

TEST(Master, SettingsTablesAreTheSixteenInOrder)
{
    EXPECT_EQ(MasterSettingsTables(), kSettings);
}

TEST(Master, ABackupWhoseStampCannotBeWrittenIsInTheMasterAndSaysSo)
{
    // The master copy commits before the live stamp: the stamp never names a backup the master lacks.
    MasterStation ts;
    const QString stampBefore = ts.value("SELECT 시스템백업기록 FROM 시스템").toString();
    ts.changeSettings("새설정");
    Exec(ts.st.Db, "CREATE TEMP TRIGGER no_stamp BEFORE UPDATE OF 시스템백업기록 ON main.시스템 "
                   "BEGIN SELECT RAISE(ABORT, 'disk gone'); END");
    ts.msgs.msgBoxAnswers = {vbOK};
    Backup_ToMaster(ts.st);
    EXPECT_EQ(DumpMaster(ts, "인쇄옵션"), Dump(ts.st.Db, "인쇄옵션"));  // the backup is there
    EXPECT_EQ(ts.value("SELECT 시스템백업기록 FROM 시스템").toString(), stampBefore);
    ASSERT_EQ(ts.msgs.shown.size(), 2u);
    EXPECT_EQ(ts.msgs.shown[1].title, "데이터 백업오류");
    EXPECT_TRUE(ts.msgs.shown[1].text.startsWith("마스터 데이터 베이스에 백업되었으나 백업 기록을 남기지 못했습니다."));
    EXPECT_TRUE(ts.msgs.shown[1].text.contains("disk gone"));
}
