#include "station/Startup.h"

#include "database/DBase.h"
#include "platform/Messages.h"
#include "core/SettingsFile.h"
#include "core/Station.h"

#include <exception>

namespace tolvo {

std::optional<int> Startup_Load(Station& st, const std::function<void()>& createMainScreen)
{
    try {
        if (const auto end = DBase::DataBase_Startup(st)) return end;
        st.IniPath = IniPathIn(st.AppPath);
        Load_StartupSettings(st);
        createMainScreen();
        Load_CarCounters(st);
        Load_RecordSettings(st);
        return std::nullopt;
    } catch (const std::exception& e) {
        st.msgs.MsgBox(QStringLiteral("프로그램을 시작할 수 없습니다.") + QChar(13) + QString::fromUtf8(e.what()),
                       vbCritical, QStringLiteral("Tarvola"));
        DBase::DataBase_Close(st);
        return 1;
    }
}

} // namespace tolvo
