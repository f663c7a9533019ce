#include "common/ConfigHome.h"
#include "common/TestStation.h"
#include "core/Sql.h"
#include "widgets/FormMode.h"

#include <QDir>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::ConfigHome;
using tolvo::test::TestStation;

namespace {

void setForced(TestStation& ts, const QVariant& v)
{
    Exec(ts.st.Db, QStringLiteral("UPDATE 폼구성 SET 강제모드 = ?"), {v});
}

bool onTop(const QWidget& w) { return w.windowFlags() & Qt::WindowStaysOnTopHint; }

QString readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

} // namespace

TEST(FormModeForced, ReadFromTheScreenOptionsRow)
{
    TestStation ts;
    EXPECT_FALSE(ForcedModeOn(ts.st.Db)); // a new database starts without it
    setForced(ts, 1);
    EXPECT_TRUE(ForcedModeOn(ts.st.Db));
    setForced(ts, 0);
    EXPECT_FALSE(ForcedModeOn(ts.st.Db));
    Exec(ts.st.Db, QStringLiteral("DELETE FROM 폼구성"));
    EXPECT_FALSE(ForcedModeOn(ts.st.Db));
    EXPECT_FALSE(ForcedModeOn(QSqlDatabase()));
}

TEST(FormModeForced, ApplyMakesTopmostAndKeepsHiddenScreensHidden)
{
    TestStation ts;
    QWidget off;
    ApplyFormMode(ts.st, off);
    EXPECT_FALSE(onTop(off));

    setForced(ts, 1);
    QWidget hidden, shown;
    ApplyFormMode(ts.st, hidden);
    EXPECT_TRUE(onTop(hidden));
    EXPECT_FALSE(hidden.isVisible());
    shown.setGeometry(100, 120, 300, 200);
    shown.show();
    const QRect before = shown.geometry();
    ApplyFormMode(ts.st, shown);
    EXPECT_TRUE(onTop(shown));
    EXPECT_TRUE(shown.isVisible());
    EXPECT_EQ(shown.geometry().size(), before.size());

    setForced(ts, 0); // switching off releases nothing
    ApplyFormMode(ts.st, shown);
    EXPECT_TRUE(onTop(shown));
}

TEST(FormModeAutoRun, EntryWrittenAndEmptiedInTheConfigFolder)
{
    ConfigHome home;
    const QString entry = home.dir.path() + "/autostart/Tarvola.desktop";
    EXPECT_EQ(AutoRunEntryPath(), entry);

    ASSERT_TRUE(SetAutoRun(QStringLiteral("/opt/tolvo")));
    const QString exe = QCoreApplication::applicationFilePath();
    EXPECT_EQ(readFile(entry), "[Desktop Entry]\nType=Application\nName=Tarvola\nExec=env TOLVO_HOME=/opt/tolvo " + exe +
                                   "\nHidden=false\nX-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(AutoRunEntryCommand(), "env TOLVO_HOME=/opt/tolvo " + exe);

    ASSERT_TRUE(ClearAutoRun());
    // Emptied and hidden, never deleted.
    EXPECT_EQ(readFile(entry), "[Desktop Entry]\nType=Application\nName=Tarvola\nExec=\nHidden=true\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_EQ(AutoRunEntryCommand(), "");

    // A relative XDG_CONFIG_HOME is not a config folder: the home's .config is.
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(AutoRunEntryPath(), QDir::homePath() + "/.config/autostart/Tarvola.desktop");
}

TEST(FormModeAutoRun, StationFolderWithBlanksIsQuoted)
{
    ConfigHome home;
    TestStation ts(TestStation::Db::None);
    ts.st.AppPath = QStringLiteral("/srv/주차 \"관리\" 100%");
    ASSERT_TRUE(SetAutoRun(ts.st));
    const QString exe = QCoreApplication::applicationFilePath();
    EXPECT_TRUE(readFile(AutoRunEntryPath()).contains("Exec=env \"TOLVO_HOME=/srv/주차 \\\\\"관리\\\\\" 100%%\" " + exe + "\n"));
}

TEST(FormModeAutoRun, UnwritableFolderReportsNothingToTheStation)
{
    ConfigHome home;
    // A file where the autostart folder should be: the entry cannot be written.
    QFile blocker(home.dir.path() + "/autostart");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(SetAutoRun(QStringLiteral("/opt/tolvo")));
    EXPECT_FALSE(ClearAutoRun());
}
