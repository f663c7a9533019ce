#include "host/HostSeason.h"

#include "core/Sql.h"
#include "core/Station.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"
#include "serial/Trace.h"

#include <array>
#include <exception>

namespace tolvo {

namespace {

// Leading and trailing blanks only, as the host pads its fields.
QString trimBlanks(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b] == QLatin1Char(' ')) ++b;
    while (e > b && s[e - 1] == QLatin1Char(' ')) --e;
    return s.mid(b, e - b);
}

enum class Barrier { Entrance, Exit, ByDirection, None };
// In which season operating modes a status opens.
enum class Opens { Always, UnlessMode3, InMode0, InMode0Or1 };

struct StatusRule {
    const char16_t* status;
    Barrier barrier;
    Opens opens;
    bool showsExpiry; // the caption names the expiry date
};

constexpr std::array<StatusRule, 8> kRules{{
    {u"정상입차", Barrier::Entrance, Opens::Always, false},
    {u"정상출차", Barrier::Exit, Opens::Always, false},
    {u"중복입차", Barrier::Entrance, Opens::UnlessMode3, false},
    {u"중복출차", Barrier::Exit, Opens::UnlessMode3, false},
    {u"미등록", Barrier::ByDirection, Opens::InMode0, false},
    {u"기간초과", Barrier::ByDirection, Opens::InMode0Or1, true},
    {u"프리패스", Barrier::ByDirection, Opens::Always, true},
    {u"출입금지", Barrier::None, Opens::Always, true},
}};

bool opens(const StatusRule& r, const QString& mode)
{
    if (r.barrier == Barrier::None) return false;
    switch (r.opens) {
    case Opens::Always: return true;
    case Opens::UnlessMode3: return mode != QLatin1String("3");
    case Opens::InMode0: return mode == QLatin1String("0");
    case Opens::InMode0Or1: return mode == QLatin1String("0") || mode == QLatin1String("1");
    }
    return false;
}

qint16 relayOf(Barrier b, bool entry)
{
    if (b == Barrier::Entrance) return 0;
    if (b == Barrier::Exit) return 1;
    return entry ? 0 : 1;
}

void countAndLog(Station& st, const SeasonVerdict& v)
{
    const QDateTime now = st.clock.now();
    Transaction tx(st.Db);
    Exec(st.Db,
         v.entry ? QStringLiteral("UPDATE 시간대별 SET 정기권입차수 = 정기권입차수 + 1, 데이터유무 = 1 "
                                  "WHERE 정산여부 = 0 AND 시간대 = ?")
                 : QStringLiteral("UPDATE 시간대별 SET 정기권출차수 = 정기권출차수 + 1, 데이터유무 = 1 "
                                  "WHERE 정산여부 = 0 AND 시간대 = ?"),
         {now.time().hour()});
    Insert(st.Db, QStringLiteral("정기권입출차"),
           {{QStringLiteral("출차일자"), trimBlanks(v.exitDate)},
            {QStringLiteral("출차시간"), trimBlanks(v.exitTime)},
            {QStringLiteral("입차일자"), trimBlanks(v.entryDate)},
            {QStringLiteral("입차시간"), trimBlanks(v.entryTime)},
            {QStringLiteral("정기권번호"), trimBlanks(v.card)},
            {QStringLiteral("입출상태"), trimBlanks(v.status)},
            {QStringLiteral("차량번호"), trimBlanks(v.car)},
            {QStringLiteral("이름"), trimBlanks(v.name)},
            {QStringLiteral("종료일"), trimBlanks(v.expiry)},
            {QStringLiteral("처리일시"), now.toString(QStringLiteral("MMddHHmmss"))},
            {QStringLiteral("입출구분"), v.entry ? 0 : 1}});
    tx.commit();
}

} // namespace

SeasonVerdict ParseSeasonVerdict(const QString& text)
{
    SeasonVerdict v;
    v.entryDate = text.mid(0, 10);
    v.entryTime = text.mid(10, 5);
    v.exitDate = text.mid(15, 10);
    v.exitTime = text.mid(25, 5);
    v.status = text.mid(30, 8);
    v.card = text.mid(38, 10);
    v.car = text.mid(48, 13);
    v.name = text.mid(61, 12);
    v.expiry = text.mid(73, 10);
    v.entry = text.mid(83, 1) == QLatin1String("1");
    return v;
}

VerdictAction DecideSeasonVerdict(const SeasonVerdict& v, const QString& seasonMode)
{
    const QString status = trimBlanks(v.status);
    for (const StatusRule& r : kRules) {
        const QString name = QString::fromUtf16(r.status);
        if (status != name) continue;
        VerdictAction a;
        a.recognised = true;
        if (opens(r, seasonMode)) a.gate = relayOf(r.barrier, v.entry);
        const QString card = QStringLiteral("(%1) 정기권번호 :  ").arg(name) + v.card;
        if (name == QStringLiteral("미등록")) {
            a.panel = QStringLiteral("미등록 차량입니다. 태그번호 : ") + v.card;
            a.listLine = QStringLiteral("(미등록차량) 정기권번호 :  ") + v.card
                + QStringLiteral("  차량번호 : -------------  이름 : ------");
            return a;
        }
        a.panel = name + QStringLiteral(" 차량입니다. 차량번호 : ") + v.car;
        if (r.showsExpiry) a.panel += QStringLiteral("   만료일 : ") + v.expiry;
        a.listLine = card + QStringLiteral("  차량번호 : ") + v.car + QStringLiteral("  이름 : ") + v.name;
        return a;
    }
    return {};
}

QByteArray SeasonVerdictAck(bool entry)
{
    return TD_Frame(entry ? QStringLiteral("JI_ACK") : QStringLiteral("JO_ACK"));
}

void Host_SeasonResult(Station& st, const QString& text)
{
    const SeasonVerdict v = ParseSeasonVerdict(text);
    if (st.comm) st.comm->Output(PortHost, SeasonVerdictAck(v.entry));
    try {
        countAndLog(st, v);
    } catch (const std::exception& e) {
        // The host has its acknowledgement: the car is served as the host decided.
        DebugTraceLine(st, PortHost, QStringLiteral("  호스트 정기권 처리결과 저장 실패 : ") + QString::fromUtf8(e.what()));
    }

    st.screen.setVisible(QStringLiteral("Shape1"), false);
    st.screen.setText(QStringLiteral("PnlMsg"), QString());
    const VerdictAction a = DecideSeasonVerdict(v, st.settings.SeasonMode);
    if (a.recognised) {
        if (a.gate) Gate_Pulse(st, *a.gate);
        st.screen.setVisible(QStringLiteral("Shape1"), true);
        st.screen.setText(QStringLiteral("PnlMsg"), a.panel);
        st.screen.appendList1(a.listLine);
    }
    st.screen.refreshTotals();
}

} // namespace tolvo
