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
using tolvo::test::ExecArguments;
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

// Each row's Exec line as a desktop session reads it: an argument with a blank or
// a special in double quotes, a quote, $, ` or backslash escaped inside them and
// every backslash doubled once more for the file, a % written %%.
TEST(FormModeAutoRun, EntryStartsTheProgramToldItsFolderAndIsEmptiedAgain)
{
    struct Row {
        const char* name;
        const char* folder;
        const char* program;
        const char* exec;
    };
    const Row rows[] = {
        {"plain paths", "/opt/tolvo", "/usr/lib/tolvo/tolvo", R"(Exec=env TOLVO_HOME=/opt/tolvo /usr/lib/tolvo/tolvo)"},
        {"a folder with blanks, quotes and %", "/srv/주차 \"관리\" 100%", "/usr/lib/tolvo/tolvo",
         R"(Exec=env "TOLVO_HOME=/srv/주차 \\"관리\\" 100%%" /usr/lib/tolvo/tolvo)"},
        {"a program with a blank, a quote and %", "/opt/tolvo", "/home/kim/with blank %/tolvo \"b\"/build/tolvo",
         R"(Exec=env TOLVO_HOME=/opt/tolvo "/home/kim/with blank %%/tolvo \\"b\\"/build/tolvo")"},
        {"a program with $, ` and a backslash", "/opt/tolvo", "/srv/a$b`c\\d",
         R"(Exec=env TOLVO_HOME=/opt/tolvo "/srv/a\\$b\\`c\\\\d")"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ConfigHome home;
        const QString entry = home.dir.path() + "/autostart/Tarvola.desktop";
        EXPECT_EQ(AutoRunEntryPath(), entry);
        const QString folder = QString::fromUtf8(row.folder), program = QString::fromUtf8(row.program);

        ASSERT_TRUE(SetAutoRun(folder, program));
        EXPECT_EQ(readFile(entry).toStdString(), std::string("[Desktop Entry]\nType=Application\nName=Tarvola\n") +
                                                     row.exec + "\nHidden=false\nX-GNOME-Autostart-enabled=true\n");
        EXPECT_EQ(ExecArguments(AutoRunEntryCommand()).join(" | ").toStdString(),
                  QStringList({"env", "TOLVO_HOME=" + folder, program}).join(" | ").toStdString());

        ASSERT_TRUE(ClearAutoRun());
        // Emptied and hidden, never deleted.
        EXPECT_EQ(readFile(entry),
                  "[Desktop Entry]\nType=Application\nName=Tarvola\nExec=\nHidden=true\nX-GNOME-Autostart-enabled=false\n");
        EXPECT_EQ(AutoRunEntryCommand(), "");
    }
}

TEST(FormModeAutoRun, TheStationsEntryStartsTheRunningProgramWhereverItLies)
{
    ConfigHome home;
    TestStation ts(TestStation::Db::None);
    ts.st.AppPath = QStringLiteral("/srv/tolvo station");
    ASSERT_TRUE(SetAutoRun(ts.st));
    EXPECT_EQ(ExecArguments(AutoRunEntryCommand()).join(" | ").toStdString(),
              "env | TOLVO_HOME=/srv/tolvo station | " + QCoreApplication::applicationFilePath().toStdString());

    // A relative XDG_CONFIG_HOME is not a config folder: the home's .config is.
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(AutoRunEntryPath(), QDir::homePath() + "/.config/autostart/Tarvola.desktop");
}

TEST(FormModeAutoRun, UnwritableFolderReportsNothingToTheStation)
{
    ConfigHome home;
    // A file where the autostart folder should be: the entry cannot be written.
    QFile blocker(home.dir.path() + "/autostart");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(SetAutoRun(QStringLiteral("/opt/tolvo"), QStringLiteral("/usr/lib/tolvo/tolvo")));
    EXPECT_FALSE(ClearAutoRun());
}
