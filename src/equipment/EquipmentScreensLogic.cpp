#include "equipment/EquipmentScreensLogic.h"

#include "core/Sql.h"
#include "core/Station.h"
#include "equipment/DispenserFamily1.h"
#include "platform/Ini.h"
#include "platform/Vb.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>
#include <limits>

namespace tolvo {

namespace {

enum class Params { None, Clock, First, Both };

struct TdCommand {
    const char* name;
    const char* code; // nullptr: nothing is sent
    Params params;
    bool enabled0;
    int maxLength0;
    const char* shown0;  // field of 발권기 shown in the first box
    const char* preset0; // or a fixed text
    const char* shown1;  // field shown in the second box (enabled too)
    const char* store0;  // fields stored on success
    const char* store1;
    const char* guide;
};

const TdCommand kCommands[kTdCommandCount] = {
    {"시간 설정", "01", Params::Clock, false, 4, nullptr, "", nullptr, nullptr, nullptr,
     "발권기의 시간을 현재시간으로 재설정합니다. \r\n"
     "이기능은 날짜가 바뀌는 시점에 자동으로 실행해서 요금계산기와 발권기의\r\n"
     "시간을 일치 시킵니다."},
    {"발행번호 초기화", "02", Params::None, false, 2, nullptr, "", nullptr, nullptr, nullptr,
     "발권기의 주차권 발행번호를 초기화하는데 사용됩니다\r\n"
     "발행번호 초기화는 '발행번호 범위 설정'의 최소값으로 재설정됩니다."},
    {"발행번호 범위 설정", "03", Params::Both, true, 4, "Start_No", nullptr, "End_No", "Start_No", "End_No",
     "발권기의 주차권 발행번호 범위를 설정합니다\r\n"
     "설정변수에 시작번호와 끝번호를 입력해서 범위를 변경할 수 있습니다.\r\n"
     "(시작번호는 끝번호보다 작거나 같아야 합니다)"},
    {"발행번호 재설정", "04", Params::First, true, 4, "Td_No", nullptr, nullptr, "Td_No", nullptr,
     "주차권의 다음 발행번호 재설정합니다\r\n"
     "설정변수에 발행번호를 입력해서 다음 발행번호를 변경할 수 있습니다.\r\n"
     "(발행번호는 '발행번호 범위'의 끝번호 보다 작거나 같아야 합니다)"},
    {"최대 발행수량 설정", "05", Params::First, true, 4, "Max_No", nullptr, nullptr, "Max_No", nullptr,
     "발권기에 장착된 롤에 의한 주차권의 최대 발행수량을 설정합니다\r\n"
     "설정변수에 발행번호를 입력해서 다음 발행번호를 변경할 수 있습니다.\r\n"
     "(발행번호는 '발행번호 범위'의 끝번호 보다 작거나 같아야 합니다)"},
    {"UNIT_NO 설정", nullptr, Params::None, true, 1, "Unit_No", nullptr, nullptr, "Unit_No", nullptr,
     "본명령은 속칭 터미널 번호이며 현재설정 되어있는 UNIT_NO를 재설정시\r\n"
     "사용되며 본명령을 수행하려면 현재 설정된 UNIT_NO를 알고 있어야한다."},
    {"폐권처리 시간설정", "08", Params::First, true, 2, "Exit_Time", nullptr, nullptr, "Exit_Time", nullptr,
     "주차권이 발행된후 입차자가 주차권을 가져가지 않았을때 발행된 주차권을\r\n"
     "폐권 처리할 시간(초)을 설정한다.\r\n"
     "(만약 '00'으로 설정되어있다면 폐권처리를 하자 않는다)"},
    {"일반발행", "10", Params::None, false, 2, nullptr, "", nullptr, nullptr, nullptr, "일반발행 명령을 수행한다."},
    {"테스트 발행", "11", Params::None, false, 2, nullptr, "", nullptr, nullptr, nullptr, "테스트 발행을 수행한다."},
    {"차단기 열림", "12", Params::None, false, 2, nullptr, "", nullptr, nullptr, nullptr, "차단기를 연다."},
    {"차단기 닫힘", "13", Params::None, false, 2, nullptr, "", nullptr, nullptr, nullptr, "차단기를 닫는다."},
    {"음성 출력", "14", Params::None, false, 2, nullptr, "", nullptr, nullptr, nullptr, "음성신호를 송출한다."},
    {"음성 해제", "15", Params::None, false, 2, nullptr, "", nullptr, nullptr, nullptr, "음성신호 송출을 해제한다."},
    {"차량번호 발행", "16", Params::First, true, 4, nullptr, "1234", nullptr, nullptr, nullptr,
     "호스트로 부터 차량번호를 수신받아 차량번호를 인쇄하여 발행한다."},
};

const char* const kFeeTests[kFeeTestCount] = {"현재 시간", "주차요금", "출차", "Digit Test", "1번릴레이", "2번릴레이"};

const TdCommand& command(int pos) { return kCommands[qBound(0, pos, kTdCommandCount - 1)]; }

QString u(const char* s) { return s ? QString::fromUtf8(s) : QString(); }

void showDbError(Station& st, const DbError& e) { st.msgs.Msg_Box(e.message(), QStringLiteral("데이터 베이스 오류")); }

// The field's name comes from the table above, never from input.
void storeField(Station& st, const char* field, const QString& value)
{
    Exec(st.Db, QStringLiteral("UPDATE 발권기 SET %1 = ?").arg(Id(u(field))), {value});
}

// The unit number the station sends: "00" when none is set, as at login.
QString unitNoInUse(const QString& text)
{
    return text.trimmed().isEmpty() ? QStringLiteral("00") : text;
}

} // namespace

// ---- ticket stock ----

QString StockLabel(qint32 count) { return QStringLiteral("현재 잔여주차권 매수 : ") + QString::number(count); }

bool StoreTicketStock(Station& st, const QString& typed)
{
    const double v = Val(typed);
    // Beyond a 32-bit count is refused like 0 or less, instead of overflowing.
    if (!(v > 0) || std::nearbyint(v) > double(std::numeric_limits<qint32>::max())) {
        st.msgs.Msg_Box(QStringLiteral("주차권 매수를 정확히 입력하세요!"), QStringLiteral("데이터입력 오류"));
        return false;
    }
    Write_Ini(st.IniPath, QStringLiteral("시스템"), QStringLiteral("잔여티켓매수"), typed);
    st.settings.TicketsLeft = CLng(v);
    st.DispenserAlarm = 0;
    return true;
}

void ShowStockOnMain(Station& st)
{
    st.screen.setText(QStringLiteral("LblTDCnt"), QString::number(st.settings.TicketsLeft));
}

// ---- dispenser settings ----

QString TdCommandName(int pos) { return u(command(pos).name); }

QString TdPortClosedText()
{
    return QStringLiteral("발권기 포트가 사용중이 아닙니다.\r\n사용하려면 메인화면 --> 시스템설정 --> Comm 포트설정 에서 "
                          "확인하세요!");
}

TdSelection SelectTdCommand(Station& st, int pos)
{
    const TdCommand& c = command(pos);
    TdSelection s;
    s.enabled0 = c.enabled0;
    s.maxLength0 = c.maxLength0;
    s.enabled1 = c.shown1 != nullptr;
    s.guide = u(c.guide);
    s.text0 = u(c.preset0);
    if (!c.shown0 && !c.shown1) return s;
    try {
        QSqlQuery q = Exec(st.Db, QStringLiteral("SELECT * FROM 발권기"));
        if (!q.next()) return s;
        if (c.shown0) s.text0 = q.value(u(c.shown0)).toString();
        if (c.shown1) s.text1 = q.value(u(c.shown1)).toString();
    } catch (const DbError& e) {
        // The unit number in use stays: an unread table is no empty one.
        showDbError(st, e);
        return s;
    }
    if (pos == kUnitNoCommand) st.models.DispenserUnitNo = unitNoInUse(s.text0);
    return s;
}

QString TdCommandText(int pos, const QString& unitNo, const QString& value0, const QString& value1,
                      const QDateTime& now)
{
    const TdCommand& c = command(pos);
    QString text = unitNo + u(c.code);
    switch (c.params) {
    case Params::Clock:
        text += now.toString(QStringLiteral("yyMMddHHmmss")) + QString::number(now.date().dayOfWeek() % 7);
        break;
    case Params::Both: text += value0.trimmed() + value1.trimmed(); break;
    case Params::First: text += value0.trimmed(); break;
    case Params::None: break;
    }
    return text;
}

void SendTdCommand(Station& st, int pos, const QString& value0, const QString& value1)
{
    const TdCommand& c = command(pos);
    st.TDAckFlag = false;
    if (!c.code) {
        try {
            storeField(st, c.store0, value0);
            st.models.DispenserUnitNo = unitNoInUse(value0.trimmed());
        } catch (const DbError& e) {
            showDbError(st, e);
        }
        return;
    }
    const QString text = TdCommandText(pos, st.models.DispenserUnitNo, value0, value1, st.clock.now());
    if (st.comm && st.comm->PortOpen(PortDispenser)) st.comm->Output(PortDispenser, TD_Frame(text));
    Delay(st, 0.3);
    const bool ok = st.TDAckFlag;
    // The table holds the new values by the time the operator reads the result.
    if (ok) {
        try {
            if (c.store0) storeField(st, c.store0, value0);
            if (c.store1) storeField(st, c.store1, value1);
        } catch (const DbError& e) {
            showDbError(st, e);
        }
    }
    st.msgs.Msg_Box(QStringLiteral("발권기 설정 : ") + u(c.name) + (ok ? QStringLiteral(" 성공") : QStringLiteral(" 실패")),
                    QStringLiteral("발권기 설정"));
}

QString FeeTestName(int index) { return u(kFeeTests[qBound(0, index, kFeeTestCount - 1)]); }

FeeTestBox SelectFeeTest(int index, const QDateTime& now)
{
    switch (index) {
    case 0: return {true, 5, true, now.toString(QStringLiteral("HH:mm"))};
    case 1: return {true, 6, true, QStringLiteral("125000")};
    case 2: return {true, 6, false, QStringLiteral("PASS")};
    case 3: return {true, 6, true, QString()};
    default: return {};
    }
}

void RunFeeTest(Station& st, int index, const QString& value)
{
    switch (index) {
    case 0: FeeDisp_Time(st, value.mid(0, 2) + value.mid(3, 2)); break;
    case 1: {
        const double v = std::nearbyint(Val(value));
        const double top = std::numeric_limits<qint32>::max();
        FeeDisp_Amount(st, qint32(v > top ? top : v)); // a longer amount shows "999999" anyway
        break;
    }
    case 2: FeeDisp_GateOpen(st); break;
    case 3:
        for (int pass = 0; pass < 3; ++pass)
            for (int d = 0; d <= 9; ++d) {
                FeeDisp_Amount(st, d * 111111);
                Delay(st, 0.1);
            }
        break;
    case 4: Gate_Pulse(st, 0); break;
    case 5: Gate_Pulse(st, 1); break;
    default: break;
    }
}

void FeeDisplayLoopTest(Station& st)
{
    st.PortTestEcho = false;
    if (st.comm && st.comm->PortOpen(PortFeeDisp)) {
        st.comm->Output(PortFeeDisp, PortTestFrame());
        Delay(st, 0.1);
    }
    st.msgs.Msg_Box(st.PortTestEcho ? QStringLiteral("포트 테스트 : 데이터 송수신 정상")
                                    : QStringLiteral("포트 테스트 : 데이터 송수신 실패"),
                    QStringLiteral("포트 테스트"));
}

// ---- guidance screens ----

QString OpeningStamp(const QDateTime& now) { return now.toString(QStringLiteral("yyyy년 MM월 dd일  HH:mm")); }

void RunInfomAction(Station& st, DispenserFamily1* link, InfomAction action, const QString& text)
{
    Delay(st, 0.5);
    bool ok = false;
    QString caption;
    switch (action) {
    case InfomAction::SendText:
        ok = link && link->Vfd_Out(text);
        caption = QStringLiteral("발행기 안내 멘트설정");
        break;
    case InfomAction::ClockSet:
        ok = link && link->CTL_TimeSetUp();
        caption = QStringLiteral("CTL_TimeSetUp");
        break;
    case InfomAction::DisplayTime:
        ok = link && link->Vfd_TimeSet();
        caption = QStringLiteral("Vfd_TimeSet");
        break;
    }
    st.msgs.Msg_Box(caption + (ok ? QStringLiteral(" 성공!") : QStringLiteral(" 실패!")), caption);
}

} // namespace tolvo
