#include "station/Startup.h"

#include "database/Archive.h"
#include "database/DBase.h"
#include "platform/FolderLock.h"
#include "platform/Messages.h"
#include "platform/PrivateFiles.h"
#include "platform/ProgramFolder.h"
#include "core/SettingsFile.h"
#include "core/Station.h"

#include <exception>

namespace tolvo {

namespace {

// A second station on the same folder would compact or create the database
// under the running one; it must stop before touching anything. A lock file
// nobody holds is taken over whatever it says and whoever made it.
// Returns the reason when the folder cannot be taken.
std::optional<QString> LockProgramFolder(Station& st)
{
    auto lock = std::make_unique<FolderLock>(st.AppPath + QStringLiteral("/Tolvo.lock"));
    switch (lock->take()) {
    case FolderLock::Result::Taken:
        st.ProgramLock = std::move(lock);
        return std::nullopt;
    case FolderLock::Result::Held:
        return QStringLiteral("프로그램이 이미 실행 중입니다.");
    case FolderLock::Result::Unreadable: {
        // Perhaps a station run by that user: whether it runs cannot be told from here.
        const QString owner = OtherUsersFile(lock->path());
        return QStringLiteral("잠금 파일을 읽을 수 없습니다") +
               (owner.isEmpty() ? QString() : QStringLiteral(" (다른 사용자 %1의 파일)").arg(owner)) +
               QStringLiteral(": ") + lock->path();
    }
    case FolderLock::Result::NotWritable:
        return QStringLiteral("프로그램 폴더에 쓸 수 없습니다.");
    case FolderLock::Result::Failed:
        break;
    }
    // Something else in the file's place, a folder for one: the path says where to look.
    return QStringLiteral("프로그램 폴더를 잠글 수 없습니다: ") + lock->path();
}

} // namespace

std::optional<int> Startup_Load(Station& st, const std::function<void()>& createMainScreen)
{
    // Root, looking at a booth in its user's folder, would follow that user's
    // links with every file it makes, re-modes or removes there.
    if (const auto others = OthersOnTheWay(st.AppPath)) {
        st.msgs.MsgBox(QStringLiteral("다른 사용자 %1의 폴더입니다. 그 사용자로 시작하십시오: %2").arg(others->owner, others->folder),
                       vbCritical, QStringLiteral("Tarvola"));
        return 1;
    }
    MakePrivateFolder(st.AppPath);
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
