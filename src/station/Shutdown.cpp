#include "station/Shutdown.h"

#include "database/DBase.h"
#include "core/Sql.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"
#include "core/Station.h"

namespace tolvo {

bool Shutdown_Confirm(Station& st)
{
    const QString text = QStringLiteral("프로그램을 종료하면 주차관리 업무를 수행할수 없습니다.") +
                         QStringLiteral("\r\n\r\n") + QStringLiteral("종료하시겠습니까?");
    const int style = vbYesNo | vbCritical | vbDefaultButton2;
    return st.msgs.MsgBox(text, style, QStringLiteral("Tarvola")) == vbYes;
}

bool MarkCleanEnd(Station& st)
{
    try {
        Exec(st.Db, QStringLiteral("UPDATE 시스템 SET 정상적인종료 = ?"), {1});
        return true;
    } catch (const DbError&) {
        return false; // the next login warns of an unclean end
    }
}

void Shutdown_Run(Station& st)
{
    if (st.comm && st.comm->PortOpen(PortFeeDisp)) {
        try {
            FeeDisp_Clear(st);
        } catch (const std::exception&) {
            // a display that cannot be cleared must not keep the station from ending
        }
    }
    MarkCleanEnd(st);
    if (st.comm) Comm::ClosePorts(st);
    DBase::DataBase_Close(st);
}

void Splash_Cancel(Station& st)
{
    MarkCleanEnd(st);
    DBase::DataBase_Close(st);
}

} // namespace tolvo
