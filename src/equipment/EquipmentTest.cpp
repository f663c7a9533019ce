#include "equipment/EquipmentTest.h"

#include "equipment/DispenserFamily1.h"
#include "equipment/ExitReader.h"
#include "equipment/TicketReader.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"
#include "platform/Vb.h"
#include "core/Sql.h"
#include "core/Station.h"

#include <algorithm>
#include <limits>

namespace tolvo {

namespace {

const QChar kUS(31); // unit separator between a print row and its text

enum class Text3 { Empty, Keep, Ones, Clock, Unit, Nines };
struct TdRow {
    const char* label;
    Text3 text3;
    bool enabled;
};
// Codes 00..34.
const TdRow kTdRows[35] = {
    {"발행기의 상태 STATUS 를 요구한다.", Text3::Empty, false},
    {"출력 PORT 8개 상태를 읽어 온다.", Text3::Empty, false},
    {"출력 PORT 8개를 ON/OFF 한다.", Text3::Ones, true},
    {"카드 종류별 일련번호를 확인 한다.", Text3::Empty, false},
    {"카드 종류별 일련번호를 초기화 한다.", Text3::Empty, false},
    {"날짜/시간/요일을 설정한다.", Text3::Clock, true},
    {"최근에 입차된 입차정보 DATA를 읽어온다.", Text3::Empty, false},
    {"자동 MODE/ 수동 MODE를 설정한다.", Text3::Empty, false},
    {"부정입차 검사기능을 설정/해제 한다.", Text3::Empty, false},
    {"발행기 장비번호를 설정 한다.", Text3::Unit, true},
    {"정기권 자기카드번호 사용금지 등록", Text3::Nines, true},
    {"정기권 자기카드번호 사용금지 해제", Text3::Nines, true},
    {"정기권 자기카드번호 사용금지 조회", Text3::Nines, true},
    {"장비설정 확인 [년월일시분요일/장비번호/자동수동/ANTI-PASS]", Text3::Empty, false},
    {"저장된 입차정보 DATA를 읽어온다.", Text3::Empty, false},
    {"저장된 EVENT DATA를 읽어온다.", Text3::Empty, false},
    {"BACK-UP 기록된 RF정보 DATA를 지정된 번지로부터 읽어온다.", Text3::Empty, true},
    {"저장된 입차정보 DATA ADDRESS 상태를 읽어온다.", Text3::Empty, true},
    {"저장된 EVENT정보 DATA ADDRESS 상태를 읽어온다.", Text3::Empty, true},
    {"저장된 RF 정보 DATA ADDRESS 상태를 읽어온다.", Text3::Empty, true},
    {"BACK-UP 기록된 입차정보 ADDRESS를 기록한다.", Text3::Empty, true},
    {"BACK-UP 기록된 EVENT정보 ADDRESS를 기록한다.", Text3::Empty, true},
    {"BACK-UP 기록된 RF정보 ADDRESS를 기록한다.", Text3::Empty, true},
    {"BACK-UP RF 유효기간 정보 DATA를 기록한다.", Text3::Empty, true},
    {"BACK-UP RF 유효기간 정보 DATA를 모두 지운다.", Text3::Empty, true},
    {"VFD 에 글자를 표시한다.", Text3::Keep, false},
    {"만차를 설정/해제 한다.", Text3::Empty, false},
    {"음성 PORT를 ON/OFF 한다.", Text3::Empty, false},
    {"입력 PORT 상태를 읽어 온다. (10 PORT)", Text3::Empty, false},
    {"COM5 통신 명령 발송 (음성/BOARD)", Text3::Empty, true},
    {"당일권 추가 인쇄 LINE1 등록", Text3::Empty, true},
    {"당일권 추가 인쇄 LINE1 읽기", Text3::Empty, true},
    {"당일권 추가 인쇄 LINE2 등록", Text3::Empty, true},
    {"당일권 추가 인쇄 LINE2 읽기", Text3::Empty, true},
    {"'1' 일때 HOST 에서 모든 작동을 관여한다 (RF 카드일때 사용)", Text3::Empty, true},
};

struct ReaderRow {
    const char* name;
    const char* command;
};
const ReaderRow kReaderRows[15] = {
    {"장비를 초기화하고 CARD가 있으면 출구로 방출합니다.", "00"},
    {"장비를 초기화합니다. CARD의 유무에 관계하지 않습니다.", "01"},
    {"CARD의 위치를 읽습니다.", "10"},
    {"CARD의 위치에 관련한 세부 내역을 읽습니다.", "11"},
    {"장비 내에 CARD투입을 허가 합니다.", "20"},
    {"장비 내에 CARD투입을 금지 합니다.", "21"},
    {"장비내의 CARD를 출구로 방출합니다.", "30"},
    {"RETRY 0 R/W ERROR시 재시도 횟수", "4"},
    {"CARD를 이동만 시키고 읽지는 않습니다.", "60"},
    {"CARD의 DATA를 읽습니다.", "61"},
    {"CARD에 DATA를 기록합니다.", "70"},
    {"지정 행에 문자를 인쇄한다 (연속인쇄 가능)", "90"},
    {"지정 행에 문자를 인쇄한 후 배출한다.", ""},
    {"온도 설정치를 읽습니다.", "H0"},
    {"온도 설정치를 기록합니다. (초기 5로 설정됩니다)", "H1"},
};

QString Two(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

// Val of a typed amount, clamped into 32 bits and rounded half to even.
qint32 Amount(const QString& text)
{
    const double v = std::clamp(Val(text), double(std::numeric_limits<qint32>::min()),
                                double(std::numeric_limits<qint32>::max()));
    return CLng(v);
}

int TicketNumber(const QString& text) { return CInt(std::clamp(Val(text), 0.0, 9999.0)); }

bool PortOpen(const Station& st, int port) { return st.comm && st.comm->PortOpen(port); }

} // namespace

TdCommandView TdCommand(int code, const QDateTime& now)
{
    TdCommandView v;
    if (code < 0 || code > 34) return v;
    const TdRow& r = kTdRows[code];
    v.label = QString::fromUtf8(r.label);
    switch (r.text3) {
    case Text3::Keep: return v;
    case Text3::Empty: v.text3 = QString(); break;
    case Text3::Ones: v.text3 = QStringLiteral("11111111"); break;
    case Text3::Unit: v.text3 = QStringLiteral("000"); break;
    case Text3::Nines: v.text3 = QStringLiteral("000000000"); break;
    case Text3::Clock:
        v.text3 = now.toString(QStringLiteral("yyMMddHHmmss")) + QString::number(now.date().dayOfWeek());
        break;
    }
    v.enabled = r.enabled;
    return v;
}

QStringList ReaderCommandNames()
{
    QStringList l;
    for (const ReaderRow& r : kReaderRows) l << QString::fromUtf8(r.name);
    return l;
}

QStringList FeeTestNames()
{
    return {"현재 시간", "주차요금", "출차", "Digit Test", "1번릴레이", "2번릴레이", "3번릴레이", "4번릴레이", "STATUS"};
}

QStringList ExitReaderActionNames()
{
    return {"시간및 허용시간 재설정", "시간및 허용시간 확인", "1번릴레이 ON/OFF", "2번릴레이 ON/OFF",
            "3번릴레이 ON/OFF",      "VFD 시간 재설정",       "VFD 안내문구 재설정"};
}

QString ExitReaderTimeText(const QDate& d, const QTime& t)
{
    return d.toString(QStringLiteral("yyyyMMdd")) + t.toString(QStringLiteral("HHmmss")) + Two(d.dayOfWeek());
}

std::optional<QString> ExitReaderMinutes(const QString& typed)
{
    if (typed.isEmpty()) return QStringLiteral("00");
    if (typed.size() > 2) return std::nullopt;
    for (const QChar c : typed)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    return typed.rightJustified(2, QLatin1Char('0'));
}

ReadBackView ReadBackOf(bool answered, const QString& reply)
{
    const QString head = QStringLiteral("현재시간 : ");
    if (!answered) return {head + QStringLiteral("통신 오류"), QStringLiteral("0")};
    if (reply.size() != 23) return {head + QStringLiteral("통신 데이터 오류") + reply, QStringLiteral("0")};
    const auto at = [&](int pos, int n) { return reply.mid(pos - 1, n); };
    return {head + at(6, 4) + "-" + at(10, 2) + "-" + at(12, 2) + " " + at(14, 2) + ":" + at(16, 2) + ":" + at(18, 2) +
                QStringLiteral("         허용시간 : ") + at(22, 2) + QStringLiteral("분"),
            at(22, 2)};
}

EquipmentTestLogic::EquipmentTestLogic(Station& st, EquipmentLinks links) : m_st(st), m_links(std::move(links))
{
}

EquipmentTestLogic::~EquipmentTestLogic() { m_st.ReaderBusy = false; }

void EquipmentTestLogic::exit() { m_st.ReaderBusy = false; }

void EquipmentTestLogic::tdRun(const QString& text2, const QString& text3)
{
    if (PortOpen(m_st, PortDispenser)) m_st.comm->Output(PortDispenser, TD_Frame(QStringLiteral("C0") + text2 + text3));
}

void EquipmentTestLogic::tdClock(int index)
{
    const QString name = index == 0 ? QStringLiteral("CTL_TimeSetUp") : QStringLiteral("Vfd_TimeSet");
    bool ok = false;
    if (m_links.dispenser) ok = index == 0 ? m_links.dispenser->CTL_TimeSetUp() : m_links.dispenser->Vfd_TimeSet();
    m_st.msgs.Msg_Box(name + (ok ? QStringLiteral(" 성공!") : QStringLiteral(" 실패!")), name);
}

void EquipmentTestLogic::readerRun(int index, const QString& text1)
{
    if (index < 0 || index > 14) return;
    if (index == 11 || index == 12) {
        if (m_links.reader)
            m_links.reader->Print_CMD90((index == 11 ? QStringLiteral("12") : QStringLiteral("20")) + kUS + QStringLiteral("2") + text1);
        if (index == 12) return;
    }
    QString command = QString::fromUtf8(kReaderRows[index].command);
    if (index == 7) command += text1;
    if (PortOpen(m_st, PortReader)) m_st.comm->Output(PortReader, TD_Frame(QStringLiteral("C") + command));
}

void EquipmentTestLogic::readerPrepare() { m_st.ReaderBusy = true; }

void EquipmentTestLogic::readerIssue(const QString& ticket, const QDate& date, const QTime& time)
{
    m_st.ReaderBusy = true;
    if (m_links.reader) {
        const QString stamp = date.toString(QStringLiteral("yyMMdd")) + time.toString(QStringLiteral("HHmm"));
        if (m_st.models.DispenserType != 2) {
            const QString row = kUS + QStringLiteral("2      ");
            m_links.reader->Write_CMD(QStringLiteral("0008") + ticket + QStringLiteral("3") + stamp);
            m_links.reader->Print_CMD90(QStringLiteral("23") + row + QStringLiteral("일련번호 : ") + ticket);
            m_links.reader->Print_CMD90(QStringLiteral("24") + row + QStringLiteral("입차일자 : ") +
                                  date.toString(QStringLiteral("yyyy년MM월dd일")));
            m_links.reader->Print_CMD90(QStringLiteral("25") + row + QStringLiteral("입차시간 : ") +
                                  time.toString(QStringLiteral("HH:mm")));
        } else {
            const QString line = Two(m_st.trx.RecycleLine + 5);
            m_links.reader->Write_CMD(line + QStringLiteral("0008") + ticket + QStringLiteral("1") + stamp);
            m_links.reader->Print_CMD96(line + kUS + QStringLiteral("H") + kUS + QStringLiteral("0 입:") +
                                  date.toString(QStringLiteral("MM")) + QStringLiteral("/") +
                                  date.toString(QStringLiteral("dd ")) + time.toString(QStringLiteral("HH:mm    ")) + ticket);
        }
        m_links.reader->Eject_CMD();
    }
    m_st.ReaderBusy = false;
}

void EquipmentTestLogic::readerErase()
{
    m_st.ReaderBusy = true;
    if (m_links.reader) {
        if (m_st.models.DispenserType == 2) {
            m_links.reader->Write_CMD(QString(30, QLatin1Char('0')));
            Delay(m_st, 0.1);
            m_links.reader->RD_Erase_Recycle();
        }
        m_links.reader->Eject_CMD();
    }
    m_st.ReaderBusy = false;
}

bool EquipmentTestLogic::feeDisplayUsable() const { return PortOpen(m_st, PortFeeDisp); }

void EquipmentTestLogic::feeTest(int index, const QString& txt1)
{
    switch (index) {
    case 0: FeeDisp_Time(m_st, txt1); break;
    case 1: FeeDisp_Amount(m_st, Amount(txt1)); break;
    case 2: FeeDisp_GateOpen(m_st); break;
    case 3: digitSweep(); break;
    case 4: case 5: case 6: case 7: Gate_Pulse(m_st, qint16(index - 4)); break;
    case 8: FeeDisp_Status(m_st); break;
    default: break;
    }
}

void EquipmentTestLogic::digitSweep()
{
    for (int round = 0; round < 3; ++round) {
        for (int d = 0; d <= 9; ++d) {
            if (!PortOpen(m_st, PortFeeDisp)) return;
            FeeDisp_Amount(m_st, d * 111111);
            Delay(m_st, 0.1);
        }
    }
}

bool EquipmentTestLogic::exitReaderUsable() const { return m_st.models.HasExitReader && PortOpen(m_st, PortCalc); }

ReadBackView EquipmentTestLogic::readBack()
{
    if (!m_links.exitReader) return ReadBackOf(false, QString());
    const bool answered = m_links.exitReader->OutRd_CTR();
    return ReadBackOf(answered, m_links.exitReader->OutRdReply);
}

std::optional<ReadBackView> EquipmentTestLogic::exitReaderRun(int index, const QDate& d, const QTime& t,
                                                              const QString& minutes, const QString& guide)
{
    switch (index) {
    case 0: {
        const auto mm = ExitReaderMinutes(minutes);
        if (!mm) {
            m_st.msgs.Msg_Box(QStringLiteral("분은 0에서 99 사이로 입력하세요"), QStringLiteral("입력오류"));
            return std::nullopt;
        }
        const bool ok = m_links.exitReader && m_links.exitReader->OutRd_CTW(ExitReaderTimeText(d, t), *mm);
        m_st.msgs.Msg_Box(ok ? QStringLiteral("출구 판독기 시간및 허용시간 설정 성공!")
                             : QStringLiteral("출구 판독기 시간및 허용시간 설정 실패!"),
                          QStringLiteral("시간및 허용시간 설정"));
        return readBack();
    }
    case 1: return readBack();
    case 2: case 3: case 4:
        if (m_links.exitReader) m_links.exitReader->OutRd_CG(quint8(index - 1));
        return std::nullopt;
    case 5: Disp_TimeText(m_st); return std::nullopt;
    case 6:
        if (m_links.exitReader) m_links.exitReader->Disp_Message(guide);
        return std::nullopt;
    default: return std::nullopt;
    }
}

void EquipmentTestLogic::seasonCard(int index, const QString& card)
{
    struct Lane {
        SeasonGateIndex buffer;
        qint16 gate;
        bool entrance;
    };
    static constexpr Lane kLanes[4] = {{GateIn1, 1, true}, {GateOut1, 2, false}, {GateIn2, 3, true}, {GateOut2, 5, false}};
    if (index < 0 || index > 3) return;
    const Lane& lane = kLanes[index];
    QString& buffer = m_st.gates.RxBuf[lane.buffer];
    buffer = card;
    qint16 gate = lane.gate;
    const auto& decide = lane.entrance ? m_st.routines.Season_In : m_st.routines.Season_Out;
    if (decide) decide(m_st, buffer, gate);
}

void EquipmentTestLogic::generate(int index, const QString& first, const QString& last)
{
    if (index != 0) return;
    try {
        const int from = TicketNumber(first);
        const int to = TicketNumber(last);
        const QDateTime now = m_st.clock.now();
        const bool toHost = ToBool(Scalar(m_st.Db, QStringLiteral("SELECT 일반권입차전송 FROM 인쇄옵션")));
        int skipped = 0;
        Transaction t(m_st.Db);
        for (int n = from; n <= to; ++n) {
            const QString ticket = QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
            const QString code = ticket + now.toString(QStringLiteral("yyyyMMddHHmm"));
            if (Scalar(m_st.Db, QStringLiteral("SELECT COUNT(*) FROM 일반권 WHERE 입차코드 = ?"), {code}).toInt() > 0) {
                ++skipped;
                continue;
            }
            Insert(m_st.Db, QStringLiteral("일반권"),
                   {{"포스코드", m_st.models.PosCode}, {"티켓번호", ticket}, {"입차일", FormatDate(now.date())},
                    {"입차시간", FormatTime(now.time())}, {"입차코드", code}, {"정산구분", 0}, {"전송여부", toHost ? 0 : 1}});
        }
        t.commit();
        m_st.HostPending[HostTD] = true;
        if (skipped > 0)
            m_st.msgs.Msg_Box(QStringLiteral("이미 있는 입차코드 %1건은 만들지 않았습니다.").arg(skipped));
    } catch (const DbError& e) {
        m_st.msgs.Msg_Box(QStringLiteral("테스트 데이터를 만들지 못했습니다.") + QChar(13) + e.message());
    }
}

} // namespace tolvo
