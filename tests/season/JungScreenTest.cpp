#include "common/ModalMessages.h"
#include "common/TestStation.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "season/FrmJung.h"
#include "season/DayFilePrinter.h"
#include "season/JungList.h"
#include "serial/PrintFrame.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

template <typename T>
T* child(QWidget& w, const QString& name)
{
    auto* c = w.findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name.toStdString();
    return c;
}

void AddTicket(TestStation& ts, const QString& key, const QString& car, const QString& name, const QString& end)
{
    Exec(ts.st.Db,
         "INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 전화번호, 발급일, 월정요금, 시작일, 종료일)"
         " VALUES (?, ?, ?, '010-1', '2026-01-01', 0, '2026-01-01', ?)",
         {key, car, name, end});
}

TEST(JungScreen, ModesLoadAndCloseWritesThem)
{
    TestStation ts;
    ts.st.settings.SeasonMode = "3";
    ts.st.settings.AntiPassBack = true;
    {
        FrmJung form(ts.st);
        EXPECT_EQ(form.windowTitle(), "정기권 등록");
        EXPECT_TRUE(child<QRadioButton>(form, "Option1_3")->isChecked());
        EXPECT_EQ(child<QRadioButton>(form, "Option1_3")->text(), "정상운영");
        EXPECT_TRUE(child<QCheckBox>(form, "Check1")->isChecked());
        child<QRadioButton>(form, "Option1_2")->setChecked(true);
        child<QCheckBox>(form, "Check1")->setChecked(false);
        QTest::mouseClick(child<QPushButton>(form, "Cmd1_2"), Qt::LeftButton);
    }
    EXPECT_EQ(ts.st.settings.SeasonMode, "2"); // the file too: SeasonRegister.ResetAndModes
    EXPECT_FALSE(ts.st.settings.AntiPassBack);
}

TEST(JungScreen, TypingTheFullTagLoadsTheTicketAndSaveClears)
{
    TestStation ts;
    ts.st.models.SeasonIn1Type = 2; // Remocon(T): 4 digits
    AddTicket(ts, "0000001234", "12가3456", "홍길동", "2026-12-31");
    FrmJung form(ts.st);
    form.show();
    form.activate();
    EXPECT_EQ(child<QLabel>(form, "LblRecordCount")->text(), "1");
    auto* txt1 = child<QLineEdit>(form, "Txt1");
    EXPECT_EQ(txt1->maxLength(), 4);
    QTest::keyClicks(txt1, "123");
    EXPECT_EQ(child<QLineEdit>(form, "Txt2")->text(), "");
    QTest::keyClicks(txt1, "4");
    EXPECT_EQ(child<QLineEdit>(form, "Txt2")->text(), "12가3456");
    EXPECT_EQ(child<QLineEdit>(form, "MaskEdBox1_3")->text(), "2026-12-31");
    EXPECT_TRUE(form.reg().Record_Loaded);

    child<QLineEdit>(form, "Txt3")->setText("김영희");
    QTest::mouseClick(child<QPushButton>(form, "Cmd1_0"), Qt::LeftButton);
    EXPECT_EQ(ts.value("SELECT 이름 FROM 정기권").toString(), "김영희");
    EXPECT_EQ(txt1->text(), "");
    EXPECT_EQ(child<QLineEdit>(form, "MaskEdBox1_1")->text(), "2026-01-05");
    EXPECT_FALSE(form.reg().Record_Loaded);
}

TEST(JungScreen, SearchFindingOneTicketLoadsIt)
{
    TestStation ts;
    ts.st.models.SeasonIn1Type = 2;
    AddTicket(ts, "0000001111", "서울12가3456", "홍길동", "2026-12-31");
    AddTicket(ts, "0000002222", "부산34나5678", "홍길순", "2026-12-31");
    FrmJung form(ts.st);
    form.show();
    auto* text18 = child<QLineEdit>(form, "Text18");
    auto* text19 = child<QLineEdit>(form, "Text19");
    text19->setText("홍");
    QTest::keyClick(text19, Qt::Key_Return);
    EXPECT_EQ(child<QLabel>(form, "LblRecordCount")->text(), "2");
    EXPECT_EQ(child<QLineEdit>(form, "Txt1")->text(), ""); // several: boxes as they were
    text18->setText("4나5");
    QTest::keyClick(text18, Qt::Key_Return);
    EXPECT_EQ(child<QLabel>(form, "LblRecordCount")->text() + "|" + child<QLineEdit>(form, "Txt1")->text() + "|" +
                  child<QLineEdit>(form, "Txt3")->text(),
              "1|2222|홍길순");
    EXPECT_EQ(text18->selectedText(), "4나5");
}

TEST(JungScreen, EachSearchBoxLooksInItsOwnColumn)
{
    // "서울" begins the vehicle number of 1111, the driver's name of 2222 and the affiliation of 3333.
    const struct { const char* box; const char* loaded; } rows[] = {{"Text18", "1111"}, {"Text19", "2222"}, {"Text20", "3333"}};
    for (const auto& c : rows) {
        SCOPED_TRACE(c.box);
        TestStation ts;
        ts.st.models.SeasonIn1Type = 2;
        for (const auto& t : {std::array<const char*, 4>{"0000001111", "서울1가", "가나", "다라"},
                              std::array<const char*, 4>{"0000002222", "다라99", "서울", "가나"},
                              std::array<const char*, 4>{"0000003333", "가나77", "다라", "서울"}})
            Exec(ts.st.Db, "INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 소속) VALUES (?, ?, ?, ?)", {t[0], t[1], t[2], t[3]});
        FrmJung form(ts.st);
        form.show();
        auto* box = child<QLineEdit>(form, c.box);
        box->setText("서울");
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_EQ(child<QLabel>(form, "LblRecordCount")->text() + "|" + child<QLineEdit>(form, "Txt1")->text(),
                  QString("1|") + c.loaded);
    }
}

TEST(JungScreen, EachListButtonOpensItsListAndItsPrintReadsThatList)
{
    const struct { const char* button; const char* screen; QStringList printed; } rows[] = {
        {"Command1_0", "JungList1",
         {"   [정기권 발급대장]", " 0000000001     11가1111   김만료", " 2025-01-05     2026-01-04",
          " 0000000002     22나2222   이유효", " 2026-01-01     2026-01-05"}},
        {"Command1_1", "JungList2", {"   [정기권 만료차량]", " 0000000001     11가1111     김만료", "      010-1111   2026-01-04"}},
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(c.button);
        TestStation ts; // today 2026-01-05: the ticket ending yesterday has expired, the one ending today not
        [[maybe_unused]] const FakeComm printer = test::PrintToDayFile(ts);
        Exec(ts.st.Db, "INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 전화번호, 발급일, 시작일, 종료일) VALUES"
                       " ('0000000001', '11가1111', '김만료', '010-1111', '2024-12-20', '2025-01-05', '2026-01-04'),"
                       " ('0000000002', '22나2222', '이유효', '010-2222', '2025-12-28', '2026-01-01', '2026-01-05')");
        FrmJung form(ts.st);
        form.show();
        QString opened;
        test::WhenModal({}, [&](QWidget& list) {
            opened = list.objectName();
            QTest::mouseClick(child<QPushButton>(list, "Command1"), Qt::LeftButton);
            QTest::mouseClick(child<QPushButton>(list, "Command2"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QPushButton>(form, c.button), Qt::LeftButton);
        EXPECT_EQ(opened, c.screen);
        EXPECT_EQ(test::PrintedTitleAndRows(ts), c.printed.join('|'));
    }
}

TEST(JungScreen, DateBoxKeys)
{
    TestStation ts;
    FrmJung form(ts.st);
    form.show();
    QApplication::setActiveWindow(&form);
    auto* end = child<QLineEdit>(form, "MaskEdBox1_3");
    end->setFocus();
    QTest::keyClick(end, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), child<QPushButton>(form, "Cmd1_0"));
    auto* issue = child<QLineEdit>(form, "MaskEdBox1_1");
    issue->setFocus();
    QTest::keyClick(issue, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(form, "MaskEdBox1_0"));
}

TEST(JungScreen, FeeBoxTakesSevenDigitsAndShowsThemGrouped)
{
    const struct { const char* name; const char* typed; const char* shown; qint64 stored; } cases[] = {
        {"seven digits", "1234567", "1,234,567", 1234567},
        {"the eighth and ninth are refused", "123456789", "1,234,567", 1234567},
        {"typed with commas", "50,000", "50,000", 50000},
        {"fewer than four digits", "900", "900", 900},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestStation ts;
        ts.st.models.SeasonIn1Type = 2; // 4 digits
        FrmJung form(ts.st);
        form.show();
        QApplication::setActiveWindow(&form);
        auto* fee = child<QLineEdit>(form, "MaskEdBox1_0");
        fee->setFocus();
        fee->clear();
        QTest::keyClicks(fee, c.typed);
        QTest::keyClick(fee, Qt::Key_Return); // on to the next box
        EXPECT_EQ(fee->text(), c.shown);
        child<QLineEdit>(form, "Txt1")->setText("1234");
        child<QLineEdit>(form, "Txt2")->setText("12가3456");
        child<QLineEdit>(form, "Txt3")->setText("홍길동");
        QTest::mouseClick(child<QPushButton>(form, "Cmd1_0"), Qt::LeftButton);
        EXPECT_EQ(ts.value("SELECT 월정요금 FROM 정기권").toLongLong(), c.stored);
    }
}

TEST(JungLists, ExpiredListAndSortOrder)
{
    TestStation ts; // today 2026-01-05
    AddTicket(ts, "0000000003", "A", "다", "2026-01-05");
    AddTicket(ts, "0000000001", "C", "가", "2026-01-04");
    AddTicket(ts, "0000000002", "B", "나", "2025-12-31");
    const auto keys = [](const RowSet& r) {
        QStringList k;
        for (qint64 i = 0; i < r.count(); ++i) k << r.text(i, "정기권번호").right(1);
        return k.join("");
    };
    EXPECT_EQ(keys(JungList_Load(ts.st, JungListKind::Ledger)), "312"); // the database's own order
    EXPECT_EQ(keys(JungList_Load(ts.st, JungListKind::Ledger, "차량번호")), "321");
    EXPECT_EQ(keys(JungList_Load(ts.st, JungListKind::Ledger, "정기권번호")), "123");
    EXPECT_EQ(keys(JungList_Load(ts.st, JungListKind::Expired, "이름")), "12"); // ending today is not expired
    EXPECT_EQ(keys(JungList_Load(ts.st, JungListKind::Ledger, "이름; DROP TABLE 정기권")), "312");
}

TEST(JungLists, PrintoutsInTheShortFrame)
{
    RowSet rows;
    rows.fields = QStringList{"정기권번호", "차량번호", "이름", "전화번호", "시작일", "종료일"};
    rows.rows.push_back({"0000001234", "12가3456", "홍길동", "010-1234", "2026-01-01", "2026-01-31"});
    const ListPrintout ledger = JungList_Printout(JungListKind::Ledger, rows);
    EXPECT_EQ(ledger.body, (PrintOps{PrintLine(""), PrintLine("   [정기권 발급대장]", 1), PrintLine(""),
                                     PrintLine(QString(40, '=')), PrintLine(" 정기권번호       차량번호       운전자 "),
                                     PrintLine(" 시작일        종료일"), PrintLine(QString(40, '=')),
                                     PrintLine(" 0000001234     12가3456   홍길동"), PrintLine(" 2026-01-01     2026-01-31")}));
    EXPECT_EQ(ledger.rows, 1);
    const ListPrintout expired = JungList_Printout(JungListKind::Expired, rows);
    EXPECT_EQ(expired.body[1], PrintLine("   [정기권 만료차량]", 1));
    EXPECT_EQ(expired.body[4], PrintLine(" 정기권번호       차량번호        이름 "));
    EXPECT_EQ(expired.body[5], PrintLine(" 전화번호    만료일"));
    EXPECT_EQ(expired.body[7], PrintLine(" 0000001234     12가3456     홍길동"));
    EXPECT_EQ(expired.body[8], PrintLine("      010-1234   2026-01-31"));
}

TEST(JungLists, EmptyListShowsCountZeroAndPrintsNothing)
{
    TestStation ts;
    FrmJungList form(ts.st, JungListKind::Expired);
    form.activate();
    EXPECT_EQ(child<QLabel>(form, "LblRecordCount")->text(), "0");
    EXPECT_EQ(child<QLabel>(form, "Label1")->text(), "정기권 기간만료 차량");
    QTest::mouseClick(child<QPushButton>(form, "Command1"), Qt::LeftButton);
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].title + "|" + ts.msgs.shown[0].text, "프린트 작업|레코드가 존재하지 않습니다....");
}

TEST(JungLists, SortBoxReordersTheGrid)
{
    TestStation ts;
    AddTicket(ts, "0000000002", "A", "나", "2026-12-31");
    AddTicket(ts, "0000000001", "B", "가", "2026-12-31");
    Exec(ts.st.Db, "UPDATE 정기권 SET 월정요금 = 70000, 입차수 = 3, 출차수 = 2 WHERE 정기권번호 = '0000000002'");
    FrmJungList form(ts.st, JungListKind::Ledger);
    auto* grid = child<QTableView>(form, "DBGrid1");
    EXPECT_EQ(child<QComboBox>(form, "Combo1")->currentText(), "정기권번호");
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "0000000002");
    EXPECT_EQ(grid->model()->index(0, 11).data().toString(), "70000"); // 월정요금, not a count
    form.sortChosen(0);
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "0000000001");
    form.sortChosen(1);
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "0000000002");
}

} // namespace
