#include "station/Startup.h"

#include "database/Archive.h"
#include "database/DBase.h"
#include "platform/Messages.h"
#include "platform/PrivateFiles.h"
#include "core/SettingsFile.h"
#include "core/Station.h"

#include <QFile>
#include <QLockFile>
#include <exception>

#include <sys/file.h>

namespace tolvo {

namespace {

// A lock file that a kill or a power cut left before its process wrote into it
// names no process, so QLockFile never takes it for stale. A running station
// holds its file's lock from the moment it made it: when that lock can be taken,
// nobody runs, and the file is removed under it.
bool RemoveLockNamingNoProcess(const QString& path)
{
    qint64 pid = 0;
    QString host, app;
    if (QLockFile(path).getLockInfo(&pid, &host, &app)) return false;
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && ::flock(file.handle(), LOCK_EX | LOCK_NB) == 0 && file.remove();
}

// A second station on the same folder would compact or create the database
// under the running one; it must stop before touching anything.
// Returns the reason when the folder cannot be taken.
std::optional<QString> LockProgramFolder(Station& st)
{
    const QString path = st.AppPath + QStringLiteral("/Tolvo.lock");
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0); // only a lock left by a dead process is stale
    if (!lock->tryLock() &&
        !(lock->error() == QLockFile::LockFailedError && RemoveLockNamingNoProcess(path) && lock->tryLock())) {
        // A lock left by a crash cannot be taken over in a folder that cannot be written.
        if (!FolderWritable(st.AppPath)) return QStringLiteral("프로그램 폴더에 쓸 수 없습니다.");
        return lock->error() == QLockFile::LockFailedError ? QStringLiteral("프로그램이 이미 실행 중입니다.")
                                                            : QStringLiteral("프로그램 폴더를 잠글 수 없습니다.");
    }
    st.ProgramLock = std::move(lock);
    return std::nullopt;
}

} // namespace

std::optional<int> Startup_Load(Station& st, const std::function<void()>& createMainScreen)
{
    if (const auto refused = LockProgramFolder(st)) {
        st.msgs.MsgBox(*refused + QChar(13) + QStringLiteral("프로그램 폴더: ") + st.AppPath, vbCritical,
                       QStringLiteral("Tarvola"));
        return 1;
    }
    try {
        if (const auto end = DBase::DataBase_Startup(st)) return end;
        st.IniPath = IniPathIn(st.AppPath);
        Load_StartupSettings(st);
        createMainScreen();
        Load_CarCounters(st);
        Load_RecordSettings(st);
        // An archive move a crash cut short, with the settings its pruning reads; a
        // failure is told and the day's run at the first tick tries again.
        Archive_Resume(st);
        return std::nullopt;
    } catch (const std::exception& e) {
        st.msgs.MsgBox(QStringLiteral("프로그램을 시작할 수 없습니다.") + QChar(13) + QString::fromUtf8(e.what()),
                       vbCritical, QStringLiteral("Tarvola"));
        DBase::DataBase_Close(st);
        return 1;
    }
}

} // namespace tolvo
