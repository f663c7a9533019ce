#include "station/FunctionKeys.h"

#include "core/Sql.h"
#include "platform/Ini.h"
#include "serial/Printer.h"
#include "serial/Receipt.h"
#include "station/ExitKeys.h"
#include "station/LostTicket.h"
#include "station/Menus.h"
#include "core/Station.h"

namespace tolvo {

namespace {

template <typename F, typename... Args>
void Run(const F& action, Station& st, Args... args)
{
    if (action) action(st, args...);
}

void CountOpening(Station& st, qint32& count, const char* key)
{
    ++count;
    Write_Ini(st.IniPath, QStringLiteral("시스템"), QString::fromUtf8(key), QString::number(count));
}

} // namespace

FunctionKeyActions DefaultFunctionKeyActions()
{
    FunctionKeyActions a;
    a.openDrawer = [](Station& st) { Printer_OpenDrawer(st); };
    a.receiptReprint = [](Station& st) { Receipt_Reprint(st); };
    a.ejectTicket = [](Station& st) {
        if (st.routines.Eject_CMD) st.routines.Eject_CMD(st);
        else if (st.exitLinks.readerEject) st.exitLinks.readerEject();
    };
    a.eraseTicket = [](Station& st) {
        if (st.routines.RD_EraseTicket) st.routines.RD_EraseTicket(st);
    };
    a.gateOpenIn = [](Station& st, int gate) {
        if (st.routines.Gate_OpenIn) st.routines.Gate_OpenIn(st, static_cast<qint16>(gate));
    };
    a.gateOpenOut = [](Station& st, int gate) {
        if (st.routines.Gate_OpenOut) st.routines.Gate_OpenOut(st, static_cast<qint16>(gate));
    };
    return a;
}

const char* FunctionMenuItem(int code)
{
    switch (code) {
    case 9: return "Mnu2";
    case 10: return "Mnu3";
    case 11: return "Mnu4";
    case 12: return "Mnu5";
    case 13: return "MnuFee";
    case 14: return "MnuPort";
    case 15: return "MnuDisc";
    case 16: return "MnuWork";
    case 17: return "MnuEtc";
    case 18: return "MnuSysBackUp";
    case 19: return "MnuSysRestore";
    case 20: return "MnuJungBackUp";
    case 21: return "MnuJungRestore";
    case 22: return "MnuNewTD";
    case 23: return "MnuTDTime";
    case 25: return "Mnu1";
    case 26: return "Mnu8";
    default: return nullptr;
    }
}

int FunctionCodeOf(Station& st, int keyCode, int shift)
{
    QSqlQuery q = Query(st.Db,
                        QStringLiteral("SELECT 기능코드 FROM 기능키 WHERE (사용여부 <> 0) AND (키코드1 = ?) AND (키코드2 = ?)"),
                        {keyCode, shift});
    if (!q.next() || q.value(0).isNull()) return -1;
    return q.value(0).toInt();
}

bool BoothKeyBound(Station& st, int keyCode, int shift)
{
    try {
        if (st.trx.TicketInProgress) return DiscountKeyBound(st, keyCode, shift);
        return FunctionCodeOf(st, keyCode, shift) >= 0;
    } catch (const std::exception&) {
        return false;
    }
}

void FunctionKey(Station& st, Menus& menus, const FunctionKeyActions& actions, int keyCode, int shift)
{
    const int code = FunctionCodeOf(st, keyCode, shift);
    if (const char* menu = FunctionMenuItem(code)) {
        menus.click(QString::fromUtf8(menu));
        return;
    }
    switch (code) {
    case 0: Run(actions.openDrawer, st); break;
    case 1: Run(actions.receiptReprint, st); break;
    case 2: LostTicket(st); break;
    case 3:
        Run(actions.gateOpenIn, st, 1);
        CountOpening(st, st.settings.InOpenCount, "입차열림");
        break;
    case 4:
        Run(actions.gateOpenOut, st, 2);
        CountOpening(st, st.settings.OutOpenCount, "출차열림");
        break;
    case 24: Run(actions.ejectTicket, st); break;
    case 27: Run(actions.gateOpenIn, st, 3); break;
    case 28: Run(actions.gateOpenOut, st, 5); break;
    case 29: Run(actions.eraseTicket, st); break;
    default: break; // 5..8 and unknown codes do nothing
    }
}

} // namespace tolvo
