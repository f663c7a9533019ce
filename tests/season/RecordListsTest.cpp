#include "common/ScreenProbe.h"
#include "common/TestStation.h"
#include "season/DayFilePrinter.h"
#include "core/Sql.h"
#include "database/Schema.h"
#include "season/BingList.h"
#include "season/JungList.h"
#include "season/ListScreens.h"
#include "season/RecordLists.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

// today is 2026-01-05 in every TestStation
const char* const kLiveFields = "(티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 실수령금액)";

void AddTicket(const QSqlDatabase& db, const QString& no, const QString& day, const QVariant& outDay, qint64 amount = 0)
{
    Exec(db, QStringLiteral("INSERT INTO 일반권 ") + kLiveFields + " VALUES (?, ?, '08:10', ?, ?, ?, ?)",
         {no, day, outDay, outDay.isNull() ? QVariant() : QVariant("10:45"), no + day, amount});
}

void AddPassage(const QSqlDatabase& db, const QString& card, const QString& verdict, bool exit,
                const QString& inTime = "08:00")
{
    Exec(db,
         "INSERT INTO 정기권입출차 (입차일자, 입차시간, 출차일자, 출차시간, 입출상태, 정기권번호, 차량번호, 이름, 입출구분)"
         " VALUES ('2026-01-04', ?, '2026-01-04', '18:00', ?, ?, '12가3456', '홍길동', ?)",
         {inTime, verdict, card, exit});
}

// A day's archive file made with the archive layout.
std::unique_ptr<ScopedConnection> MakeArchive(TestStation& ts, const QString& name, const schema::Table& table)
{
    QDir().mkpath(ts.st.ArchiveDir);
    auto conn = std::make_unique<ScopedConnection>(ts.st.ArchiveDir + name);
    schema::CreateTable(conn->db(), table);
    return conn;
}

QStringList Column(const RowSet& r, const QString& field)
{
    QStringList out;
    for (qint64 i = 0; i < r.count(); ++i) out << r.text(i, field);
    return out;
}

void AddSeasonPassage(const QSqlDatabase& db, const char* card, const char* car, const char* name, const char* verdict,
                      bool exit, const char* in, const QVariant& out)
{
    const QString inAt(in);
    const QString outAt = out.toString();
    Insert(db, "정기권입출차", {{"정기권번호", card}, {"차량번호", car}, {"이름", name}, {"입출상태", verdict},
                             {"입출구분", exit}, {"입차일자", inAt.left(10)}, {"입차시간", inAt.mid(11)},
                             {"출차일자", out.isNull() ? QVariant() : outAt.left(10)},
                             {"출차시간", out.isNull() ? QVariant() : outAt.mid(11)}});
}

TEST(DayRows, EachSourceOfADay)
{
    // archive: the file's content, "db" a real archive, "dir" a folder, else raw bytes; nullptr none
    const struct { const char *name, *day, *archive, *shownDay; QStringList tickets; const char* message; } cases[] = {
        {"today from the live file", "2026-01-05", nullptr, "2026-01-05", {"L001"}, nullptr},
        {"today even when an archive for today exists", "2026-01-05", "db", "2026-01-05", {"L001"}, nullptr},
        {"an archived day", "2026-01-04", "db", "2026-01-04", {"A001", "A002"}, nullptr},
        {"a missing archive falls back to today", "2026-01-03", nullptr, "2026-01-05", {"L001"},
         "검색일 : 2026-01-03의 자료가 존재하지 않습니다."},
        {"a damaged archive falls back to today", "2026-01-04", "this is no database file at all, not even close",
         "2026-01-05", {"L001"}, "검색일 : 2026-01-04의 자료가 존재하지 않습니다."},
        {"an archive path that is a folder falls back to today", "2026-01-04", "dir", "2026-01-05", {"L001"},
         "검색일 : 2026-01-04의 자료가 존재하지 않습니다."},
        {"blanks left in the mask", "2026-01-__", nullptr, "2026-01-05", {"L001"},
         "검색일 : 2026-01-__의 자료가 존재하지 않습니다."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestStation ts;
        AddTicket(ts.st.Db, "L001", "2026-01-05", "2026-01-05");
        AddTicket(ts.st.Db, "L002", "2026-01-05", QVariant()); // still inside
        const QString file = QString("i") + QString(c.day).remove('-') + ".mdb";
        if (c.archive && QString(c.archive) == "db") {
            auto a = MakeArchive(ts, file, schema::IlbanArchiveTable());
            AddTicket(a->db(), "A002", "2026-01-04", "2026-01-04");
            AddTicket(a->db(), "A001", "2026-01-03", "2026-01-03");
        } else if (c.archive && QString(c.archive) == "dir") {
            ASSERT_TRUE(QDir().mkpath(ts.st.ArchiveDir + file));
        } else if (c.archive) {
            QDir().mkpath(ts.st.ArchiveDir);
            QFile f(ts.st.ArchiveDir + file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(c.archive).repeated(200));
        }
        const DayRows d = LoadDayRows(ts.st, c.day, kIlbanPrefix, kIlOutSql);
        EXPECT_EQ(d.day, c.shownDay);
        EXPECT_EQ(Column(d.rows, "티켓번호"), c.tickets);
        ASSERT_EQ(ts.msgs.shown.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(ts.msgs.shown[0].title, "자료검색 오류");
            EXPECT_EQ(ts.msgs.shown[0].text, c.message);
        }
        EXPECT_EQ(QFileInfo::exists(ts.st.ArchiveDir + file), c.archive != nullptr); // a look never makes a file
    }
}

TEST(IlListScreen, SearchShowsTheArchivedDayAndActivationReturnsToToday)
{
    TestStation ts;
    AddTicket(ts.st.Db, "L001", "2026-01-05", "2026-01-05");
    AddTicket(ts.st.Db, "L002", "2026-01-05", QVariant());
    {
        auto a = MakeArchive(ts, "i20260104.mdb", schema::IlbanArchiveTable());
        for (int i = 0; i < 3; ++i) AddTicket(a->db(), QString("A00%1").arg(i), "2026-01-04", "2026-01-04");
    }
    FrmIlList form(ts.st);
    auto* count2 = form.findChild<QLabel*>("LblRecordCount2");
    EXPECT_EQ(form.findChild<QLabel*>("LblRecordCount1")->text(), "1건");
    EXPECT_EQ(count2->text(), "1건");
    auto* date = form.findChild<QLineEdit*>("MaskEdBox1");
    date->setText("2026-01-04");
    QTest::mouseClick(form.findChild<QPushButton*>("Command5"), Qt::LeftButton);
    EXPECT_EQ(count2->text(), "3건");
    EXPECT_EQ(form.findChild<QTableView*>("DBGrid2")->model()->rowCount(), 3);
    form.activate();
    EXPECT_EQ(count2->text(), "1건");
    EXPECT_EQ(date->text(), "2026-01-05");
}

TEST(IlListScreen, ALongExitedListShowsEveryRowInItsOrderAndPrintsWhole)
{
    // More exits than three pages; typed in reverse exit order, so the grid's order is the query's.
    TestStation ts;
    const int n = 3 * RowsModel::pageSize + 7;
    {
        Transaction tx(ts.st.Db);
        for (int i = n - 1; i >= 0; --i)
            Exec(ts.st.Db, QStringLiteral("INSERT INTO 일반권 ") + kLiveFields + " VALUES (?, '2026-01-05', '08:10', ?, ?, ?, ?)",
                 {QString("%1").arg(i, 4, 10, QChar('0')), "2026-01-05",
                  QString("%1:%2").arg(10 + i / 60, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0')),
                  QString::number(i), 1000});
        // Two exits in the same minute keep the order they were stored in.
        AddTicket(ts.st.Db, "T001", "2026-01-05", "2026-01-05");
        AddTicket(ts.st.Db, "T002", "2026-01-05", "2026-01-05");
        // One exit whose fee, amount paid and two times all differ.
        Exec(ts.st.Db, "UPDATE 일반권 SET 총주차시간 = '65', 총주차요금 = 12000, 할인시간 = 30 WHERE 티켓번호 = '0005'");
        tx.commit();
    }
    FrmIlList form(ts.st);
    auto* grid = form.findChild<QTableView*>("DBGrid2");
    const QAbstractItemModel* m = grid->model();
    // Exit i leaves at 10:00 + i minutes; T001 and T002 at 10:45, after exit 45 (stored before them).
    QStringList want;
    for (int i = 0; i < n; ++i) want << QString("%1").arg(i, 4, 10, QChar('0'));
    want.insert(46, "T002");
    want.insert(46, "T001");
    ASSERT_EQ(m->rowCount(), n + 2);
    EXPECT_EQ(form.findChild<QLabel*>("LblRecordCount2")->text(), QString::number(n + 2) + "건");
    EXPECT_EQ(grid->currentIndex().row(), n + 1);
    for (int r : {n + 1, 0, 44, 45, 46, 47, RowsModel::pageSize - 1, RowsModel::pageSize, 2 * RowsModel::pageSize + 3})
        EXPECT_EQ(m->index(r, 0).data().toString(), want.at(r)) << r;
    const std::pair<int, const char*> cells[] = {{5, "65"}, {6, "12,000"}, {7, "30"}, {8, "1,000"}};
    for (const auto& [column, text] : cells) EXPECT_EQ(m->index(5, column).data().toString(), text) << column;
    EXPECT_EQ(Column(static_cast<const RowsModel*>(m)->rows(), "티켓번호"), want); // what a printout reads
}

TEST(IlListScreen, AdministratorDeleteAndItsCount)
{
    // Ticket 0001 twice: a car inside since yesterday and one that came in today.
    const struct { const char* name; const char* worker; bool yes; const char* left; int questions; } cases[] = {
        {"administrator, yes", "관리자", true, "00012026-01-04 00022026-01-05", 1},
        {"administrator, no", "관리자", false, "00012026-01-04 00012026-01-05 00022026-01-05", 1},
        {"another worker", "관리자2", true, "00012026-01-04 00012026-01-05 00022026-01-05", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestStation ts;
        ts.st.worker.WorkerName = c.worker;
        AddTicket(ts.st.Db, "0002", "2026-01-05", QVariant());
        AddTicket(ts.st.Db, "0001", "2026-01-05", QVariant());
        AddTicket(ts.st.Db, "0001", "2026-01-04", QVariant());
        AddTicket(ts.st.Db, "0003", "2026-01-05", "2026-01-05");
        ts.msgs.mboxAnswers.push_back(c.yes);
        FrmIlList form(ts.st);
        test::ShowActive(form);
        auto* grid = form.findChild<QTableView*>("DBGrid1");
        ASSERT_EQ(grid->model()->index(1, 3).data().toString(), "00012026-01-05"); // today's 0001, second row
        // A person's double-click, through the window: press, release, press, release.
        const QPoint at = grid->viewport()->mapTo(&form, grid->visualRect(grid->model()->index(1, 0)).center());
        QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {}, at);
        EXPECT_EQ(Column(ReadRows(ts.st.Db, "SELECT 입차코드 FROM 일반권 WHERE 출차일 IS NULL ORDER BY 입차코드"), "입차코드")
                      .join(' '), c.left);
        EXPECT_EQ(ts.count("일반권"), QString(c.left).count(' ') + 2);
        EXPECT_EQ(form.findChild<QLabel*>("LblRecordCount1")->text(), QString::number(QString(c.left).count(' ') + 1) + "건");
        EXPECT_EQ(grid->model()->rowCount(), QString(c.left).count(' ') + 1);
        ASSERT_EQ(ts.msgs.shown.size(), static_cast<size_t>(c.questions));
        if (c.questions) {
            EXPECT_EQ(ts.msgs.shown[0].title + "|" + ts.msgs.shown[0].text,
                      "일반권 데이터삭제|일반권 데이터를 삭제하시겠습니까?  주차권번호 : 0001");
        }
    }
}

TEST(IlListPrintouts, ExitedAndInsideCars)
{
    RowSet rows;
    rows.fields = QStringList{"티켓번호", "입차일", "입차시간", "출차일", "출차시간", "실수령금액"};
    rows.rows.push_back({"0123", "2006-06-29", "08:10", "2006-06-30", "10:45", 1234567});
    rows.rows.push_back({"0124", "2006-06-30", "09:00", "2006-06-30", "11:00", QVariant()});
    const QDateTime at(QDate(2006, 6, 30), QTime(14, 5));
    const PrintOps expected{
        PrintLine("   [일반권 출차 차량]", 1), PrintLine(""), PrintLine("       인쇄일시 : 2006년06월30일14시05분"),
        PrintLine(QString(40, '-')), PrintLine("번호 입 차 일 시 출 차 일 시   주차요금 "), PrintLine(QString(40, '-')),
        PrintLine("0123 06-29 08:10 06-30 10:45  1,234,567"), PrintLine("0124 06-30 09:00 06-30 11:00          0"),
        PrintLine(""), PrintLine("[합         계]", 1), PrintLine("건수:2 건", 1), PrintLine("금액:1,234,567 원", 1),
    };
    const ListPrintout out = IlList_OutPrintout(rows, at);
    EXPECT_EQ(out.body, expected);
    EXPECT_EQ(out.emptyCaption, "자료검색");
    EXPECT_EQ(out.emptyText, "출차자료가 존재하지 않습니다.");

    const ListPrintout in = IlList_InPrintout(rows, at);
    EXPECT_EQ(in.body[0], PrintLine("  [일반권 미출차 차량]", 1));
    EXPECT_EQ(in.body[4], PrintLine("   티켓번호      입 차 일 시"));
    EXPECT_EQ(in.body[6], PrintLine("     0123     2006-06-29 08:10"));
    EXPECT_EQ(in.body.back(), PrintLine("건수:2 건", 1));
    EXPECT_EQ(in.emptyText, "미출차 자료가 존재하지 않습니다.");
}

TEST(SeasonPrintouts, RowLinesOfEachList)
{
    RowSet rows;
    rows.fields = QStringList{"정기권번호", "차량번호", "이름", "입차일자", "입차시간", "출차일자", "출차시간", "입출상태"};
    rows.rows.push_back({"0000001234", "12가3456", "홍길동", "2026-01-04", "08:00", "2026-01-04", "18:00", "미등록"});
    const struct {
        const char* name;
        ListPrintout p;
        const char* title;
        const char* header2;
        const char* line2;
    } cases[] = {
        {"season exits", JioList_OutPrintout(rows), "  [정기권 출차 차량] ", " 입차일자/입차시간   출차일자/출차시간",
         " 2026-01-04 08:00     2026-01-04 18:00"},
        {"season entries", JioList_InPrintout(rows), "  정기권 입차 차량 ", " 입차일자       입차시간",
         " 2026-01-04     08:00"},
        {"refused entries", BList_Printout(rows, false), " [정기권 부정 입차차량] ",
         " 입차일자       입차시간      입출상태", " 2026-01-04     08:00          미등록"},
        {"refused exits", BList_Printout(rows, true), " [정기권 부정 출차차량] ",
         " 출차일자       출차시간      입출상태", " 2026-01-04     18:00          미등록"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.p.body.size(), 9u);
        EXPECT_EQ(c.p.body[1], PrintLine(c.title, 1));
        EXPECT_EQ(c.p.body[4], PrintLine(" 정기권번호       차량번호       운전자 "));
        EXPECT_EQ(c.p.body[5], PrintLine(c.header2));
        EXPECT_EQ(c.p.body[7], PrintLine(" 0000001234     12가3456   홍길동"));
        EXPECT_EQ(c.p.body[8], PrintLine(c.line2));
        EXPECT_EQ(c.p.emptyCaption, "프린트 작업");
    }
}

TEST(BListScreen, WorkTableRefilledAndEachSideKeepsItsSnapshot)
{
    TestStation ts;
    AddPassage(ts.st.Db, "0000000009", "정상입차", false);
    AddPassage(ts.st.Db, "0000000002", "미등록", false, "09:00");
    AddPassage(ts.st.Db, "0000000001", "기간초과", false, "08:30");
    AddPassage(ts.st.Db, "0000000003", "중복출차", true);
    AddPassage(ts.st.Db, "0000000008", "정상출차", true);
    {
        auto a = MakeArchive(ts, "j20260103.mdb", schema::JungArchiveTable());
        AddPassage(a->db(), "0000000007", "프리패스", true);
    }
    Exec(ts.st.Db, "INSERT INTO 임시정기권입출차 (정기권번호, 입출상태, 입출구분) VALUES ('left', 'x', 0)");
    FrmBList form(ts.st);
    auto* count1 = form.findChild<QLabel*>("LblRecordCount1");
    auto* count2 = form.findChild<QLabel*>("LblRecordCount2");
    EXPECT_EQ(ts.count("임시정기권입출차"), 0);
    EXPECT_EQ(count1->text(), " 자료건수 : 0건");

    QTest::mouseClick(form.findChild<QPushButton*>("Command1"), Qt::LeftButton); // entry side, today
    auto* grid1 = form.findChild<QTableView*>("DBGrid1");
    EXPECT_EQ(count1->text(), " 자료건수 : 2건");
    EXPECT_EQ(grid1->model()->index(0, 5).data().toString(), "0000000001"); // by entry time
    EXPECT_EQ(count2->text(), " 자료건수 : 0건");                            // the other side is untouched
    EXPECT_EQ(ts.count("임시정기권입출차"), 3);

    form.findChild<QLineEdit*>("MaskEdBox1")->setText("2026-01-03");
    QTest::mouseClick(form.findChild<QPushButton*>("Command6"), Qt::LeftButton); // exit side, archived day
    EXPECT_EQ(count2->text(), " 자료건수 : 1건");
    EXPECT_EQ(form.findChild<QTableView*>("DBGrid2")->model()->index(0, 4).data().toString(), "프리패스");
    EXPECT_EQ(ts.count("임시정기권입출차"), 1);
    EXPECT_EQ(grid1->model()->rowCount(), 2); // the entry side keeps its own day
    EXPECT_EQ(ts.count("정기권입출차"), 5);   // the log is only read
}

TEST(JioListScreen, ExitGridFollowsTheDayAndTheEntryGridStays)
{
    TestStation ts;
    AddPassage(ts.st.Db, "0000000001", "정상입차", false);
    AddPassage(ts.st.Db, "0000000002", "정상출차", true);
    AddPassage(ts.st.Db, "0000000003", "미등록", true);
    {
        auto a = MakeArchive(ts, "j20260104.mdb", schema::JungArchiveTable());
        AddPassage(a->db(), "0000000004", "정상출차", true);
        AddPassage(a->db(), "0000000005", "정상출차", true);
    }
    FrmJioList form(ts.st);
    auto* date = form.findChild<QLineEdit*>("MaskEdBox1");
    const auto counts = [&] {
        return form.findChild<QLabel*>("LblRecordCount1")->text() + "|" + form.findChild<QLabel*>("LblRecordCount2")->text();
    };
    EXPECT_EQ(counts(), "1건|1건");
    date->setText("2026-01-04");
    form.search();
    EXPECT_EQ(counts(), "1건|2건");
    date->setText("2026-01-02");
    form.search();
    EXPECT_EQ(date->text(), "2026-01-05");
    EXPECT_EQ(counts(), "1건|1건");
}

// Which grid each print button reads and which count label each load sets:
// the two grids hold different rows, and the golden lines are written out by hand.
struct PrintRow {
    const char* name;
    const char* searchDay; // typed and searched first, nullptr for none
    const char* button;
    QStringList printed;   // title, then row lines
    const char* counts;    // LblRecordCount1|LblRecordCount2 afterwards
};

// Both count labels, "|"-joined.
QString CountLabels(const QWidget& form)
{
    return form.findChild<QLabel*>("LblRecordCount1")->text() + "|" + form.findChild<QLabel*>("LblRecordCount2")->text();
}

// Searches the row's day first when it names one, then presses its button.
void SearchThenPress(QWidget& form, const PrintRow& c)
{
    if (c.searchDay) {
        form.findChild<QLineEdit*>("MaskEdBox1")->setText(c.searchDay);
        QTest::mouseClick(form.findChild<QPushButton*>("Command5"), Qt::LeftButton);
    }
    QTest::mouseClick(form.findChild<QPushButton*>(c.button), Qt::LeftButton);
}

TEST(IlListScreen, EachPrintReadsItsOwnGrid)
{
    const QStringList inside{"  [일반권 미출차 차량]", "     0001     2026-01-04 08:10", "     0002     2026-01-05 08:10",
                             "     0004     2026-01-05 08:10"};
    const PrintRow rows[] = {
        {"cars not yet out", nullptr, "Command6", inside, "3건|1건"},
        {"exited cars of today", nullptr, "Command3", {"   [일반권 출차 차량]", "0003 01-05 08:10 01-05 10:45      1,500"},
         "3건|1건"},
        {"exited cars of an archived day", "2026-01-04", "Command3",
         {"   [일반권 출차 차량]", "A001 01-03 08:10 01-04 10:45        700", "A002 01-04 08:10 01-04 10:45     12,000"},
         "3건|2건"},
        {"cars not yet out while an archived day is shown", "2026-01-04", "Command6", inside, "3건|2건"},
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(c.name);
        TestStation ts;
        [[maybe_unused]] const FakeComm printer = PrintToDayFile(ts);
        AddTicket(ts.st.Db, "0004", "2026-01-05", QVariant());
        AddTicket(ts.st.Db, "0001", "2026-01-04", QVariant());
        AddTicket(ts.st.Db, "0002", "2026-01-05", QVariant());
        AddTicket(ts.st.Db, "0003", "2026-01-05", "2026-01-05", 1500);
        {
            auto a = MakeArchive(ts, "i20260104.mdb", schema::IlbanArchiveTable());
            AddTicket(a->db(), "A001", "2026-01-03", "2026-01-04", 700);
            AddTicket(a->db(), "A002", "2026-01-04", "2026-01-04", 12000);
        }
        FrmIlList form(ts.st);
        SearchThenPress(form, c);
        EXPECT_EQ(PrintedTitleAndRows(ts), c.printed.join('|'));
        EXPECT_EQ(CountLabels(form), c.counts);
    }
}

TEST(JioListScreen, EachPrintReadsItsOwnGrid)
{
    const QStringList entries{"  정기권 입차 차량 ", " 0000000001     11가1111   김입차", " 2026-01-05     07:00"};
    const PrintRow rows[] = {
        {"entries", nullptr, "Command2", entries, "1건|1건"},
        {"exits of today", nullptr, "Command1",
         {"  [정기권 출차 차량] ", " 0000000002     22나2222   이출차", " 2026-01-04 08:00     2026-01-05 18:00"}, "1건|1건"},
        {"exits of an archived day", "2026-01-04", "Command1",
         {"  [정기권 출차 차량] ", " 0000000004     44라4444   최보관", " 2026-01-03 09:00     2026-01-04 17:30",
          " 0000000005     55마5555   정보관", " 2026-01-04 06:10     2026-01-04 18:20"},
         "1건|2건"},
        {"entries while an archived day is shown", "2026-01-04", "Command2", entries, "1건|2건"},
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(c.name);
        TestStation ts;
        [[maybe_unused]] const FakeComm printer = PrintToDayFile(ts);
        AddSeasonPassage(ts.st.Db, "0000000001", "11가1111", "김입차", "정상입차", false, "2026-01-05 07:00", QVariant());
        AddSeasonPassage(ts.st.Db, "0000000002", "22나2222", "이출차", "정상출차", true, "2026-01-04 08:00",
                         "2026-01-05 18:00");
        AddSeasonPassage(ts.st.Db, "0000000003", "33다3333", "박부정", "미등록", true, "2026-01-05 06:00",
                         "2026-01-05 06:30");
        {
            auto a = MakeArchive(ts, "j20260104.mdb", schema::JungArchiveTable());
            AddSeasonPassage(a->db(), "0000000005", "55마5555", "정보관", "정상출차", true, "2026-01-04 06:10",
                             "2026-01-04 18:20");
            AddSeasonPassage(a->db(), "0000000004", "44라4444", "최보관", "정상출차", true, "2026-01-03 09:00",
                             "2026-01-04 17:30");
        }
        FrmJioList form(ts.st);
        SearchThenPress(form, c);
        EXPECT_EQ(PrintedTitleAndRows(ts), c.printed.join('|'));
        EXPECT_EQ(CountLabels(form), c.counts);
    }
}

TEST(BListScreen, EachSideLoadsAndPrintsItsOwnGrid)
{
    // The entry side loads today, the exit side 2026-01-04 from its archive.
    const struct { const char* name; QStringList buttons; QStringList printed; const char* counts; } rows[] = {
        {"refused entries", {"Command1", "Command2"},
         {" [정기권 부정 입차차량] ", " 0000000005     55마5555   정입차", " 2026-01-05     09:00          미등록"},
         " 자료건수 : 1건| 자료건수 : 0건"},
        {"refused exits of the archived day", {"Command6", "Command5"},
         {" [정기권 부정 출차차량] ", " 0000000006     66바6666   한출차", " 2026-01-04     19:10          기간초과",
          " 0000000007     77사7777   두출차", " 2026-01-04     20:00          중복출차"},
         " 자료건수 : 0건| 자료건수 : 2건"},
        {"refused entries after both sides loaded", {"Command1", "Command6", "Command2"},
         {" [정기권 부정 입차차량] ", " 0000000005     55마5555   정입차", " 2026-01-05     09:00          미등록"},
         " 자료건수 : 1건| 자료건수 : 2건"},
        {"refused exits after both sides loaded", {"Command6", "Command1", "Command5"},
         {" [정기권 부정 출차차량] ", " 0000000006     66바6666   한출차", " 2026-01-04     19:10          기간초과",
          " 0000000007     77사7777   두출차", " 2026-01-04     20:00          중복출차"},
         " 자료건수 : 1건| 자료건수 : 2건"},
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(c.name);
        TestStation ts;
        [[maybe_unused]] const FakeComm printer = PrintToDayFile(ts);
        AddSeasonPassage(ts.st.Db, "0000000005", "55마5555", "정입차", "미등록", false, "2026-01-05 09:00", QVariant());
        AddSeasonPassage(ts.st.Db, "0000000008", "88아8888", "오늘출", "중복출차", true, "2026-01-05 07:00",
                         "2026-01-05 08:00");
        {
            auto a = MakeArchive(ts, "j20260104.mdb", schema::JungArchiveTable());
            AddSeasonPassage(a->db(), "0000000006", "66바6666", "한출차", "기간초과", true, "2026-01-03 06:00",
                             "2026-01-04 19:10");
            AddSeasonPassage(a->db(), "0000000007", "77사7777", "두출차", "중복출차", true, "2026-01-04 06:30",
                             "2026-01-04 20:00");
            AddSeasonPassage(a->db(), "0000000009", "99자9999", "옛입차", "미등록", false, "2026-01-04 10:00", QVariant());
        }
        FrmBList form(ts.st);
        form.findChild<QLineEdit*>("MaskEdBox1")->setText("2026-01-04");
        for (const QString& b : c.buttons) QTest::mouseClick(form.findChild<QPushButton*>(b), Qt::LeftButton);
        EXPECT_EQ(PrintedTitleAndRows(ts), c.printed.join('|'));
        EXPECT_EQ(CountLabels(form), c.counts);
    }
}

template <class Screen>
std::unique_ptr<QDialog> Open(Station& st)
{
    return std::make_unique<Screen>(st);
}

// Tab from where each list opens: its search and its button, the lists (with
// rows in them), then printing.
TEST(RecordListScreens, TabGoesFromTheSearchToTheListsThenToPrinting)
{
    const std::pair<std::unique_ptr<QDialog> (*)(Station&), const char*> rows[] = {
        {Open<FrmIlList>, "MaskEdBox1 Command5 DBGrid1 DBGrid2 Command6 Command3 Command4"},
        {Open<FrmJioList>, "MaskEdBox1 Command5 DBGrid1 DBGrid2 Command2 Command1 Command3 Command4"},
        {Open<FrmBList>, "MaskEdBox2 Command1 MaskEdBox1 Command6 DBGrid1 DBGrid2 Command2 Command5 Command3 Command4"},
        {Open<BingList>, "DTPicker2 Command3 DBGrid1 Command1 Command2"},
        {[](Station& st) -> std::unique_ptr<QDialog> { return std::make_unique<FrmJungList>(st, JungListKind::Ledger); },
         "Combo1 DBGrid1 Command1 Command2"},
        {[](Station& st) -> std::unique_ptr<QDialog> { return std::make_unique<FrmJungList>(st, JungListKind::Expired); },
         "Combo1 DBGrid1 Command1 Command2"},
    };
    for (const auto& [make, order] : rows) {
        TestStation ts;
        Exec(ts.st.Db, "INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 종료일) VALUES ('0000000001', '12가3456', '홍길동', '2026-01-04')");
        AddTicket(ts.st.Db, "L001", "2026-01-05", "2026-01-05");
        AddTicket(ts.st.Db, "L002", "2026-01-05", QVariant());
        AddPassage(ts.st.Db, "0000000001", "정상입차", false);
        AddPassage(ts.st.Db, "0000000002", "정상출차", true);
        const std::unique_ptr<QDialog> screen = make(ts.st);
        test::ShowActive(*screen);
        QStringList seen{QApplication::focusWidget()->objectName()};
        for (int i = QString::fromLatin1(order).count(u' '); i > 0; --i) {
            QTest::keyClick(screen->windowHandle(), Qt::Key_Tab);
            seen << QApplication::focusWidget()->objectName();
        }
        EXPECT_EQ(seen.join(u' ').toStdString(), order);
    }
}

} // namespace
