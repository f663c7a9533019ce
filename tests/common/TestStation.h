#pragma once

#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "core/RecordingMainScreen.h"
#include "core/Station.h"
#include "common/OtherUser.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <optional>

#include <sys/types.h>

namespace tolvo::test {

// A station for tests: its own temporary program folder (AppPath, IniPath, DataPath,
// ArchiveDir, ImageDir set), a ManualClock, ScriptedMessages, RecordingMainScreen.
// With Db::Fresh (the default) the database start-up has run (check = create with
// every table and the first-run rows, then open), so st.Db is ready. Each instance
// has its own connection, so several can exist at once. The destructor closes it.
//
//   tolvo::test::TestStation ts;
//   ts.clock.setNow(...);  ts.msgs.msgBoxAnswers.push_back(vbOK);
//   tolvo::Exec(ts.st.Db, "UPDATE ...", {...});
class TestStation {
public:
    enum class Db { Fresh, None };
    static QDateTime DefaultStart() { return QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0)); }

    // The program folder is made in `parent`, else in the temporary folder.
    explicit TestStation(Db db = Db::Fresh, const QDateTime& start = DefaultStart(), const QString& parent = {});
    ~TestStation();
    TestStation(const TestStation&) = delete;
    TestStation& operator=(const TestStation&) = delete;

    // DataBase_Check + DataBase_Open on this station's folder.
    void OpenFreshDatabase();
    // Closes the shared connection (for tests that touch the files themselves).
    void CloseDatabase();

    // Gives the program folder to another user (root only; another user's id is
    // this one's otherwise). From then on what is in it is that user's to remove:
    // the destructor empties it as that user, following no link, and removes only
    // the emptied folder, from its parent, if it is still the folder made here.
    // That emptying ends by `deadline` (a few seconds at most), whatever that
    // user does; what is left then is said and left for the next run's sweep.
    void HandTo(uid_t uid, gid_t gid, const Deadline& deadline);

    // A path inside the program folder ("Data/Park.MDB").
    QString path(const QString& relative) const;
    // The first column of the first row of a query on st.Db (invalid when no row).
    QVariant value(const QString& sql, const QVariantList& values = {}) const;
    // Number of rows of a table of st.Db.
    qint64 count(const QString& table) const;

    QTemporaryDir dir;
    ManualClock clock;
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st;

private:
    void RemoveHanded();
    struct Handed {
        uid_t uid;
        gid_t gid;
        dev_t dev;
        ino_t ino;
        Deadline deadline;
    };
    std::optional<Handed> m_handed;
};

// The fee panel's six values LOut_1 .. LOut_6 as the main screen shows them.
inline QStringList FeePanelTexts(const RecordingMainScreen& screen)
{
    QStringList out;
    for (int i = 1; i <= 6; ++i) out << screen.text(QStringLiteral("LOut_%1").arg(i));
    return out;
}

} // namespace tolvo::test
