#include "database/DBase.h"
#include "core/Sql.h"
#include "platform/Clock.h"
#include "platform/Ini.h"
#include "platform/ScriptedMessages.h"
#include "station/FrmSplash.h"
#include "station/MainWindow.h"
#include "station/Startup.h"
#include "core/Station.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

// The program's start-up as main() wires it, on an empty program folder.
struct App {
    explicit App(const QString& folder = {}) : st(clock, msgs, window)
    {
        st.AppPath = folder.isEmpty() ? dir.path() + QStringLiteral("/station") : folder;
        QDir().mkpath(st.AppPath);
        window.attach(st);
        window.onEnd = [this](int code) { ended = code; };
    }
    ~App() { DBase::DataBase_Close(st); }

    std::optional<int> start()
    {
        const auto end = Startup_Load(st, [this] { window.load(); });
        if (end) return end;
        splash = std::make_unique<FrmSplash>(
            st, [this] { window.show(); }, [this](int code) { ended = code; });
        splash->show();
        return std::nullopt;
    }
    template <typename T>
    T* splashChild(const char* name) const
    {
        return splash->findChild<T*>(QString::fromUtf8(name));
    }

    QTemporaryDir dir;
    ManualClock clock;
    ScriptedMessages msgs;
    MainWindow window;
    Station st;
    std::unique_ptr<FrmSplash> splash;
    std::optional<int> ended;
};

} // namespace

TEST(StartupToLogin, FreshFolderShowsTheLoginAndTheHiddenMainScreen)
{
    App app;
    ASSERT_FALSE(app.start());
    EXPECT_TRUE(app.splash->isVisible());
    EXPECT_FALSE(app.window.QWidget::isVisible());
    EXPECT_TRUE(app.window.timer1().isActive()) << "the timer ticks during the login";
    EXPECT_EQ(app.splashChild<QLabel>("Label1")->text(), QStringLiteral("TOLVO"));
    EXPECT_TRUE(app.splashChild<QLabel>("lblVersion")->text().startsWith(QStringLiteral("Version ")));
    EXPECT_FALSE(app.splashChild<QPushButton>("cmdOK")->isEnabled());
    for (int i = 0; i <= 6; ++i) EXPECT_EQ(app.window.text(QStringLiteral("CarCnt_%1").arg(i)), QStringLiteral("0"));
    EXPECT_TRUE(QFile::exists(app.st.AppPath + QStringLiteral("/Data/Park.MDB")));
    EXPECT_TRUE(QFile::exists(app.st.AppPath + QStringLiteral("/Master/Master.mdb")));
    EXPECT_TRUE(app.msgs.shown.empty());
}

TEST(StartupToLogin, AdministratorLogsInAndTheMainScreenShows)
{
    App app;
    ASSERT_FALSE(app.start());
    auto* box = app.splashChild<QLineEdit>("Text1");
    auto* ok = app.splashChild<QPushButton>("cmdOK");
    QTest::keyClicks(box, QStringLiteral("58204"));
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(box, QStringLiteral("8"));
    EXPECT_EQ(app.splashChild<QLabel>("LblLog")->text(), QStringLiteral("비밀번호가 틀림니다. 확인하십시요"));
    EXPECT_TRUE(box->text().isEmpty());
    QTest::keyClicks(box, QStringLiteral("582047"));
    EXPECT_EQ(app.splashChild<QLabel>("LblLog")->text(), QStringLiteral("관리자님께서 로그인 하셨습니다."));
    EXPECT_EQ(app.splashChild<QLabel>("LblName")->text(), QStringLiteral(" 근무자명:      관리자"));
    ASSERT_TRUE(ok->isEnabled());
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_FALSE(ok->isEnabled()) << "any change disables OK again";
    QTest::keyClicks(box, QStringLiteral("7"));
    ASSERT_TRUE(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);

    EXPECT_FALSE(app.splash->isVisible());
    EXPECT_TRUE(app.window.QWidget::isVisible());
    EXPECT_EQ(app.st.worker.WorkerName, QStringLiteral("관리자"));
    for (const char* m : {"Mnu1", "Mnu2", "MnuSearch", "Mnu6", "MnuData", "Mnu8"})
        EXPECT_TRUE(app.window.isEnabled(QString::fromUtf8(m))) << m;
    EXPECT_FALSE(app.window.findChild<QAction*>(QStringLiteral("Mnu_Td"))->isVisible());
    EXPECT_FALSE(ToBool(Scalar(app.st.Db, QStringLiteral("SELECT 정상적인종료 FROM 시스템"))));
    EXPECT_TRUE(app.msgs.shown.empty()) << "a first start ended cleanly: no warning";
    EXPECT_FALSE(app.ended);
}

TEST(StartupToLogin, CancelEndsCleanly)
{
    App app;
    ASSERT_FALSE(app.start());
    QTest::mouseClick(app.splashChild<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_TRUE(app.ended);
    EXPECT_EQ(*app.ended, 0);
    EXPECT_FALSE(app.st.Db.isOpen());
    DBase::DataBase_Open(app.st);
    EXPECT_TRUE(ToBool(Scalar(app.st.Db, QStringLiteral("SELECT 정상적인종료 FROM 시스템"))));
}

TEST(StartupToLogin, AnUncleanEndIsReportedOnceAtTheNextLogin)
{
    QTemporaryDir folder;
    const auto logIn = [](App& app) {
        ASSERT_FALSE(app.start());
        QTest::keyClicks(app.splashChild<QLineEdit>("Text1"), QStringLiteral("582047"));
        QTest::mouseClick(app.splashChild<QPushButton>("cmdOK"), Qt::LeftButton);
    };
    const auto warned = [](const App& app) {
        return std::count_if(app.msgs.shown.begin(), app.msgs.shown.end(), [](const auto& m) {
            return m.text.startsWith(QStringLiteral("프로그램이 정상적으로 종료되지 않았습니다."));
        });
    };
    {
        App first(folder.path());
        logIn(first);
        EXPECT_EQ(warned(first), 0);
    } // power cut: no shut-down ran
    {
        App second(folder.path());
        logIn(second);
        EXPECT_EQ(warned(second), 1);
        second.msgs.msgBoxAnswers = {vbYes};
        second.window.menus().click(QStringLiteral("Mnu8"));
        ASSERT_TRUE(second.ended);
        EXPECT_EQ(*second.ended, 0);
    }
    App third(folder.path());
    logIn(third);
    EXPECT_EQ(warned(third), 0);
}

TEST(StartupToLogin, MakerCodeFillsTheAdministratorPasswordAndShowsTheEngineerMenus)
{
    App app;
    ASSERT_FALSE(app.start());
    auto* box = app.splashChild<QLineEdit>("Text1");
    QTest::keyClicks(box, QStringLiteral("QMRTX7"));
    EXPECT_EQ(box->text(), QStringLiteral("582047"));
    ASSERT_TRUE(app.splashChild<QPushButton>("cmdOK")->isEnabled());
    QTest::keyClick(app.splashChild<QPushButton>("cmdOK"), Qt::Key_Return);
    EXPECT_TRUE(app.window.QWidget::isVisible());
    EXPECT_TRUE(app.st.worker.MakerMode);
    EXPECT_EQ(app.st.worker.WorkerCode, 0); // as the administrator
    EXPECT_EQ(app.st.worker.WorkerName, QStringLiteral("관리자"));
    EXPECT_TRUE(app.window.findChild<QAction*>(QStringLiteral("Mnu_Td"))->isVisible());
    EXPECT_TRUE(app.window.findChild<QAction*>(QStringLiteral("Mnu_Debug"))->isEnabled());
}

TEST(StartupToLogin, EscapeOnTheLoginDoesNothing)
{
    App app;
    ASSERT_FALSE(app.start());
    QTest::keyClick(app.splashChild<QLineEdit>("Text1"), Qt::Key_Escape);
    EXPECT_FALSE(app.ended) << "only 취소 or the close box end the program";
    EXPECT_TRUE(app.st.Db.isOpen());
}

TEST(StartupToLogin, PasswordBoxShowsStars)
{
    App app;
    ASSERT_FALSE(app.start());
    auto* box = app.splashChild<QLineEdit>("Text1");
    EXPECT_EQ(box->echoMode(), QLineEdit::Password);
    EXPECT_EQ(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box), int('*'));
}

TEST(StartupToLogin, AFailedStartOfWorkEndsWithAFailureCode)
{
    App app;
    ASSERT_FALSE(app.start());
    QTest::keyClicks(app.splashChild<QLineEdit>("Text1"), QStringLiteral("582047"));
    ASSERT_TRUE(app.splashChild<QPushButton>("cmdOK")->isEnabled());
    Exec(app.st.Db, QStringLiteral("DROP TABLE 요금계산기"));
    QTest::mouseClick(app.splashChild<QPushButton>("cmdOK"), Qt::LeftButton);
    ASSERT_EQ(app.msgs.shown.size(), 1u);
    EXPECT_EQ(app.msgs.shown[0].style, vbCritical);
    EXPECT_TRUE(app.msgs.shown[0].text.startsWith(QStringLiteral("업무를 시작할 수 없습니다.")));
    ASSERT_TRUE(app.ended);
    EXPECT_EQ(*app.ended, 1);
    EXPECT_FALSE(app.splash->isVisible());
    EXPECT_FALSE(app.window.QWidget::isVisible());
}
