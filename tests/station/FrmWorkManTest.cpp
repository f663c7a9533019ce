#include "common/OptionScreens.h"
#include "common/ConfigHome.h"
#include "common/TestStation.h"
#include "core/Sql.h"
#include "widgets/FormMode.h"
#include "station/FrmWorkMan.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::check;
using tolvo::test::txt;
using tolvo::test::ConfigHome;
using tolvo::test::ExecArguments;
using tolvo::test::TestStation;

// Check1 indexes of 권한1..권한6 per worker, and the captions of the six rights.
TEST(FrmWorkManScreen, EachRightsBoxLandsOnItsWorkerAndRight)
{
    const int boxes[5][6] = {{0, 1, 2, 15, 30, 31}, {7, 6, 5, 4, 3, 34}, {14, 13, 12, 11, 10, 9},
                             {22, 21, 20, 19, 18, 17}, {29, 28, 27, 26, 25, 24}};
    const char* captions[6] = {"정기권관리", "정산", "자료검색", "시스템", "테스트", "종료"};
    const QString allRights = QStringLiteral("SELECT group_concat(권한1||권한2||권한3||권한4||권한5||권한6, ' ') "
                                             "FROM (SELECT * FROM 근무자관리 WHERE 근무자코드 > 0 ORDER BY 근무자코드)");
    for (int w = 0; w < 5; ++w) {
        for (int r = 0; r < 6; ++r) {
            SCOPED_TRACE(QStringLiteral("worker %1 right %2").arg(w + 1).arg(r + 1).toStdString());
            TestStation ts;
            Exec(ts.st.Db, "UPDATE 근무자관리 SET 권한1 = 1, 권한2 = 1, 권한3 = 1, 권한4 = 1, 권한5 = 1, 권한6 = 1");
            {
                FrmWorkMan form(ts.st);
                form.show();
                EXPECT_EQ(check(form, boxes[w][r])->text(), QString::fromUtf8(captions[r]));
                check(form, boxes[w][r])->setChecked(false);
                form.close();
                EXPECT_EQ(form.closeResult(), WorkManClose::Reload);
            }
            QString expected = QStringLiteral("111111 111111 111111 111111 111111");
            expected[w * 7 + r] = u'0';
            EXPECT_EQ(ts.value(allRights).toString(), expected);
            FrmWorkMan again(ts.st); // loaded back: only that box is clear
            for (int v = 0; v < 5; ++v)
                for (int k = 0; k < 6; ++k) EXPECT_EQ(check(again, boxes[v][k])->isChecked(), v != w || k != r);
        }
    }
}

// Each screen option alone ticked: stored in its own field, loaded back, and the
// main screen's value label it governs is the only one shown after closing.
TEST(FrmWorkManScreen, EachScreenOptionLandsOnItsFieldAndItsLabel)
{
    const struct { int box; const char* field; const char* label; } rows[] = {
        {35, "일반입차수표시", "LCnt_0"}, {36, "일반출차수표시", "LCnt_1"}, {37, "정기입차수표시", ""},
        {38, "정기출차수표시", ""},       {39, "담당자표시", "WName"},      {40, "수입금액표시", "LCnt_7"},
        {41, "운영상태표시", ""},         {42, "시간표시", "PnlTime"},      {45, "자동실행", ""},
        {46, "강제모드", ""},
    };
    QStringList fields;
    for (const auto& o : rows) fields << QString::fromUtf8(o.field);
    const QString allOff = QStringLiteral("UPDATE 폼구성 SET ") + fields.join(QStringLiteral(" = 0, ")) + QStringLiteral(" = 0");
    const QString onOnes = QStringLiteral("SELECT ") + fields.join(QStringLiteral(" || ")) + QStringLiteral(" FROM 폼구성");
    for (size_t i = 0; i < std::size(rows); ++i) {
        const auto& o = rows[i];
        SCOPED_TRACE(o.field);
        TestStation ts;
        Exec(ts.st.Db, allOff);
        {
            FrmWorkMan form(ts.st);
            form.show();
            EXPECT_EQ(check(form, o.box)->text(), QString::fromUtf8(o.field));
            check(form, o.box)->setChecked(true); // not a click: the autostart entry stays untouched
            form.close();
        }
        if (!ts.st.Db.isOpen()) ts.OpenFreshDatabase(); // the forced-mode change ended the program
        QString expected(static_cast<qsizetype>(std::size(rows)), u'0');
        expected[static_cast<qsizetype>(i)] = u'1';
        EXPECT_EQ(ts.value(onOnes).toString(), expected);
        QStringList shown;
        for (const char* label : {"LCnt_0", "LCnt_1", "WName", "LCnt_7", "PnlTime"})
            if (ts.screen.visible.value(QString::fromUtf8(label), false)) shown << QString::fromUtf8(label);
        EXPECT_EQ(shown.join(u','), QString::fromUtf8(o.label));
        FrmWorkMan again(ts.st);
        for (const auto& other : rows) EXPECT_EQ(check(again, other.box)->isChecked(), other.box == o.box) << other.field;
    }
}

TEST(FrmWorkManScreen, NamesAndPasswordsStoredAsTypedByEveryClosePath)
{
    TestStation ts;
    {
        FrmWorkMan form(ts.st);
        form.show();
        EXPECT_EQ(txt(form, 1)->text(), "근무자1");
        EXPECT_EQ(txt(form, 11)->echoMode(), QLineEdit::Password);
        txt(form, 1)->setText("O'Brien");
        txt(form, 2)->setText("123456");
        txt(form, 3)->setText("");        // an empty name is stored too
        txt(form, 10)->setText("555555");
        txt(form, 11)->setText("999999");
        QTest::mouseClick(form.findChild<QPushButton*>("Command1"), Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
    }
    EXPECT_EQ(ts.value("SELECT 근무자명 FROM 근무자관리 WHERE 근무자코드 = 1").toString(), "O'Brien");
    EXPECT_EQ(ts.value("SELECT 비밀번호 FROM 근무자관리 WHERE 근무자코드 = 1").toString(), "123456");
    EXPECT_TRUE(ts.value("SELECT 근무자명 FROM 근무자관리 WHERE 근무자코드 = 2").isNull());
    EXPECT_EQ(ts.value("SELECT 비밀번호 FROM 근무자관리 WHERE 근무자코드 = 5").toString(), "555555");
    EXPECT_EQ(ts.value("SELECT 비밀번호 FROM 근무자관리 WHERE 근무자코드 = 0").toString(), "999999");
    EXPECT_EQ(ts.value("SELECT 근무자명 FROM 근무자관리 WHERE 근무자코드 = 0").toString(), "관리자");
}

TEST(FrmWorkManScreen, DisplayOptionTakesEffectOnTheMainScreenAtClose)
{
    TestStation ts;
    Exec(ts.st.Db, "UPDATE 폼구성 SET 강제모드 = 1"); // left as it is: no restart
    QWidget mainScreen;
    mainScreen.setObjectName("main");
    {
        FrmWorkMan form(ts.st);
        form.show();
        check(form, 35)->setChecked(false);
        check(form, 42)->setChecked(false);
        form.close();
    }
    EXPECT_FALSE(ToBool(ts.value("SELECT 일반입차수표시 FROM 폼구성")));
    EXPECT_FALSE(ts.screen.visible.value("LCnt_0", true));
    EXPECT_FALSE(ts.screen.visible.value("PnlTime", true));
    EXPECT_TRUE(ts.screen.visible.value("LCnt_1", false));
    EXPECT_TRUE(ts.msgs.shown.empty());
    EXPECT_TRUE(mainScreen.windowFlags() & Qt::WindowStaysOnTopHint); // the screen mode applied to the main screen
}

TEST(FrmWorkManScreen, AutoRunIsWrittenAtTheClickAndEmptiedAgain)
{
    ConfigHome home;
    TestStation ts;
    FrmWorkMan form(ts.st);
    form.show();
    check(form, 45)->click();
    EXPECT_TRUE(check(form, 45)->isChecked());
    EXPECT_EQ(ExecArguments(AutoRunEntryCommand()).join(" | ").toStdString(),
              ("env | TOLVO_HOME=" + ts.st.AppPath + " | " + QCoreApplication::applicationFilePath()).toStdString());
    check(form, 45)->click();
    EXPECT_TRUE(QFile::exists(AutoRunEntryPath()));
    EXPECT_EQ(AutoRunEntryCommand(), "");
    form.close();
    EXPECT_FALSE(ToBool(ts.value("SELECT 자동실행 FROM 폼구성")));
}

TEST(FrmWorkManScreen, ForcedModeChangeSavesShowsTheNoticeAndShutsDown)
{
    ConfigHome home;
    TestStation ts;
    Exec(ts.st.Db, "UPDATE 시스템 SET 정상적인종료 = 0");
    {
        FrmWorkMan form(ts.st);
        form.show();
        check(form, 45)->click(); // auto-run ticked at once
        check(form, 46)->setChecked(true);
        txt(form, 1)->setText("새이름");
        form.close(); // the window's close box
        EXPECT_EQ(form.closeResult(), WorkManClose::Restart);
    }
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].kind, "MsgBox");
    EXPECT_EQ(ts.msgs.shown[0].title, "Tarvola");
    EXPECT_EQ(ts.msgs.shown[0].style, vbInformation);
    EXPECT_EQ(ts.msgs.shown[0].text,
              "(주화면 설정에서 강제모드 사용여부) 옵션은 주화면을 전환할때 사용합니다. \r\r프로그램을 다시 시작하세요.");
    EXPECT_FALSE(ts.st.Db.isOpen());
    EXPECT_EQ(ExecArguments(AutoRunEntryCommand()).join(" | ").toStdString(),
              ("env | TOLVO_HOME=" + ts.st.AppPath + " | " + QCoreApplication::applicationFilePath()).toStdString());

    ts.OpenFreshDatabase(); // the next start
    EXPECT_TRUE(ToBool(ts.value("SELECT 강제모드 FROM 폼구성")));
    EXPECT_TRUE(ToBool(ts.value("SELECT 자동실행 FROM 폼구성")));
    EXPECT_TRUE(ToBool(ts.value("SELECT 정상적인종료 FROM 시스템")));
    EXPECT_EQ(ts.value("SELECT 근무자명 FROM 근무자관리 WHERE 근무자코드 = 1").toString(), "새이름");
}

TEST(FrmWorkManScreen, EnterOnACheckBoxMovesOnWithoutToggling)
{
    TestStation ts;
    FrmWorkMan form(ts.st);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QCheckBox* box = check(form, 0);
    box->setFocus();
    const bool before = box->isChecked();
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->isChecked(), before);
    EXPECT_FALSE(box->hasFocus());
}

TEST(FrmWorkManScreen, MissingWorkerRowIsLeftAlone)
{
    TestStation ts;
    Exec(ts.st.Db, "DELETE FROM 근무자관리 WHERE 근무자코드 = 3");
    {
        FrmWorkMan form(ts.st);
        form.show();
        EXPECT_FALSE(txt(form, 5)->isEnabled());
        form.close();
    }
    EXPECT_EQ(ts.count("근무자관리"), 5);
    EXPECT_TRUE(ts.msgs.shown.empty());
}

TEST(FrmWorkManScreen, AFailedSaveKeepsTheScreenOpenAndTheProgramRunning)
{
    TestStation ts;
    Exec(ts.st.Db, "CREATE TRIGGER boom BEFORE UPDATE ON 근무자관리 BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    FrmWorkMan form(ts.st);
    form.show();
    check(form, 46)->setChecked(!check(form, 46)->isChecked());
    txt(form, 1)->setText("새이름");
    QTest::mouseClick(form.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(txt(form, 1)->text(), "새이름");
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].title, "자료저장 오류");
    EXPECT_TRUE(ts.st.Db.isOpen());
    Exec(ts.st.Db, "DROP TRIGGER boom");
    form.close(); // closes once the rows can be stored
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.closeResult(), WorkManClose::Restart);
}

// A password the login cannot take (not six characters) or one another worker
// or the administrator already has is refused on closing; nothing is stored.
TEST(FrmWorkManScreen, PasswordsTheLoginCannotTellApartAreRefused)
{
    const QStringList kFirstRunPasswords{"582047", "739164", "264809", "915372", "408653", "671290"}; // codes 0..5
    // code: 0 administrator, 1..5 workers; message: "" when stored.
    const struct { const char* name; int code; const char* password; const char* message; } rows[] = {
        {"short", 1, "12345", "비밀번호는 6자리로 입력하세요 : 근무자1"},
        {"empty", 3, "", "비밀번호는 6자리로 입력하세요 : 근무자3"},
        {"long", 2, "1234567", "비밀번호는 6자리로 입력하세요 : 근무자2"},
        {"administrator short", 0, "1", "비밀번호는 6자리로 입력하세요 : 관리자"},
        {"another worker's", 5, "739164", "비밀번호가 같습니다 : 근무자1, 새이름\r\n다른 비밀번호를 입력하세요!"},
        {"the administrator's", 4, "582047", "비밀번호가 같습니다 : 관리자, 근무자4\r\n다른 비밀번호를 입력하세요!"},
        {"administrator takes a worker's", 0, "915372", "비밀번호가 같습니다 : 관리자, 근무자3\r\n다른 비밀번호를 입력하세요!"},
        {"a new one", 2, "000000", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestStation ts;
        WorkManData d = LoadWorkMan(ts.st.Db);
        if (r.code == 0) d.adminPassword = QString::fromUtf8(r.password);
        else d.workers[size_t(r.code - 1)].password = QString::fromUtf8(r.password);
        d.workers[4].name = QStringLiteral("새이름"); // named as on the screen, stored only with the passwords
        const QString message = QString::fromUtf8(r.message);
        const WorkManClose result = WorkMan_Close(ts.st, d, false);
        EXPECT_EQ(result, message.isEmpty() ? WorkManClose::Reload : WorkManClose::StayOpen);
        EXPECT_EQ(ts.msgs.shown.empty() ? QString() : ts.msgs.shown[0].title + u'|' + ts.msgs.shown[0].text,
                  message.isEmpty() ? QString() : QStringLiteral("비밀번호 오류|") + message);
        EXPECT_EQ(ts.value("SELECT 비밀번호 FROM 근무자관리 WHERE 근무자코드 = ?", {r.code}).toString(),
                  message.isEmpty() ? QString::fromUtf8(r.password) : kFirstRunPasswords[r.code]);
        EXPECT_EQ(ts.value("SELECT 근무자명 FROM 근무자관리 WHERE 근무자코드 = 5").toString(),
                  message.isEmpty() ? QStringLiteral("새이름") : QStringLiteral("근무자5"));
    }
    // On the screen: the message, the screen stays open with what was typed.
    TestStation ts;
    FrmWorkMan form(ts.st);
    form.show();
    txt(form, 4)->setText("739164");
    QTest::mouseClick(form.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(txt(form, 4)->text(), "739164");
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].text, "비밀번호가 같습니다 : 근무자1, 근무자2\r\n다른 비밀번호를 입력하세요!");
    txt(form, 4)->setText("264809");
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ts.value("SELECT 비밀번호 FROM 근무자관리 WHERE 근무자코드 = 2").toString(), "264809");
}
