#include "gates/SeasonDecision.h"

#include "core/AnsiText.h"
#include "core/SettingsFile.h"
#include "core/Sql.h"
#include "core/Station.h"
#include "platform/Vb.h"
#include "serial/Trace.h"

#include <QSqlQuery>
#include <optional>

namespace tolvo {

namespace {

constexpr int kCardLength = 10;

// The register row of a card; text fields read Null as "".
struct RegisterRow {
    QVariant start, end, state;
    QString inDate, inTime, outDate, outTime, car, name, endText;
};

struct Outcome {
    SeasonVerdict verdict = SeasonVerdict::None;
    RegisterRow reg;
};

QString text(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

std::optional<RegisterRow> readRegister(const Station& st, const QString& key)
{
    const std::optional<QSqlRecord> q =
        ReadFirstRow(st.Db,
                 QStringLiteral("SELECT 시작일, 종료일, 입출차구분, 입차일자, 입차시간, 출차일자, 출차시간, 차량번호, "
                                "이름 FROM 정기권 WHERE 정기권번호 = ?"),
                 {key});
    if (!q) return std::nullopt;
    RegisterRow r;
    r.start = q->value(0);
    r.end = q->value(1);
    r.state = q->value(2);
    r.inDate = text(q->value(3));
    r.inTime = text(q->value(4));
    r.outDate = text(q->value(5));
    r.outTime = text(q->value(6));
    r.car = text(q->value(7));
    r.name = text(q->value(8));
    r.endText = text(r.end);
    return r;
}

// A Null bound never puts a card out of its period.
bool outOfPeriod(const RegisterRow& r, const QString& today)
{
    return (!r.start.isNull() && r.start.toString() > today) || (!r.end.isNull() && r.end.toString() < today);
}

// The in/out state 0, 1 or 2; -1 for anything else (empty included).
int stateOf(const RegisterRow& r)
{
    if (r.state.isNull()) return -1;
    bool ok = false;
    const int s = r.state.toString().trimmed().toInt(&ok);
    return ok && s >= 0 && s <= 2 ? s : -1;
}

QString statusText(SeasonDir d, SeasonVerdict v)
{
    const bool in = d == SeasonDir::In;
    switch (v) {
    case SeasonVerdict::Unregistered: return QStringLiteral("미등록");
    case SeasonVerdict::Expired: return QStringLiteral("기간초과");
    case SeasonVerdict::Normal: return in ? QStringLiteral("정상입차") : QStringLiteral("정상출차");
    case SeasonVerdict::Repeated: return in ? QStringLiteral("중복입차") : QStringLiteral("중복출차");
    default: return {};
    }
}

void insertPassage(const Station& st, SeasonDir d, const QString& key, const Outcome& o, const QDateTime& now)
{
    const bool known = o.verdict != SeasonVerdict::Unregistered;
    const bool in = d == SeasonDir::In;
    // The other direction's pair: the register's last passage that way.
    const QString otherDate = known ? (in ? o.reg.outDate : o.reg.inDate) : QStringLiteral("----------");
    const QString otherTime = known ? (in ? o.reg.outTime : o.reg.inTime) : QStringLiteral("-----");
    const QString today = FormatDate(now.date());
    const QString hhnn = FormatTime(now.time());
    const QString dateCol = in ? QStringLiteral("입차일자") : QStringLiteral("출차일자");
    const QString timeCol = in ? QStringLiteral("입차시간") : QStringLiteral("출차시간");
    const QString otherDateCol = in ? QStringLiteral("출차일자") : QStringLiteral("입차일자");
    const QString otherTimeCol = in ? QStringLiteral("출차시간") : QStringLiteral("입차시간");
    Insert(st.Db, QStringLiteral("정기권입출차"),
           {{otherDateCol, otherDate},
            {otherTimeCol, otherTime},
            {dateCol, today},
            {timeCol, hhnn},
            {QStringLiteral("정기권번호"), key},
            {QStringLiteral("입출상태"), statusText(d, o.verdict)},
            {QStringLiteral("차량번호"), known ? o.reg.car : QStringLiteral("미등록 차량")},
            {QStringLiteral("이름"), known ? o.reg.name : QStringLiteral("------------")},
            {QStringLiteral("종료일"), known ? o.reg.endText : QStringLiteral("----------")},
            {QStringLiteral("처리일시"), now.toString(QStringLiteral("MMddhhmmss"))},
            {QStringLiteral("입출구분"), in ? 0 : 1}});
}

void countPassage(const Station& st, SeasonDir d, const QString& key, const QDateTime& now, bool hourly)
{
    const QVariantList when{FormatDate(now.date()), FormatTime(now.time()), key};
    if (d == SeasonDir::In)
        Exec(st.Db,
             QStringLiteral("UPDATE 정기권 SET 입출차구분 = 1, 입차수 = COALESCE(입차수, 0) + 1, 입차일자 = ?, "
                            "입차시간 = ? WHERE 정기권번호 = ?"),
             when);
    else
        Exec(st.Db,
             QStringLiteral("UPDATE 정기권 SET 입출차구분 = 2, 출차수 = COALESCE(출차수, 0) + 1, 출차일자 = ?, "
                            "출차시간 = ? WHERE 정기권번호 = ?"),
             when);
    if (!hourly) return;
    const QString column = d == SeasonDir::In ? QStringLiteral("정기권입차수") : QStringLiteral("정기권출차수");
    Exec(st.Db,
         QStringLiteral("UPDATE 시간대별 SET ") + column + QStringLiteral(" = ") + column +
             QStringLiteral(" + 1, 데이터유무 = 1 WHERE 정산여부 = 0 AND 시간대 = ?"),
         {now.time().hour()});
}

// Reads the register and writes what the verdict writes; runs inside the caller's transaction.
Outcome decideAndRecord(const Station& st, SeasonDir d, const QString& key, const QDateTime& now)
{
    Outcome o;
    const auto reg = readRegister(st, key);
    if (!reg) {
        o.verdict = SeasonVerdict::Unregistered;
    } else {
        o.reg = *reg;
        const int s = stateOf(o.reg);
        if (outOfPeriod(o.reg, FormatDate(now.date())))
            o.verdict = SeasonVerdict::Expired;
        else if (s < 0)
            o.verdict = SeasonVerdict::None;
        else if (d == SeasonDir::In)
            o.verdict = s == 1 ? SeasonVerdict::Repeated : SeasonVerdict::Normal;
        else
            o.verdict = s == 2 ? SeasonVerdict::Repeated : SeasonVerdict::Normal;
    }
    if (o.verdict == SeasonVerdict::None) return o;
    insertPassage(st, d, key, o, now);
    if (o.verdict == SeasonVerdict::Normal) {
        // An exit of a card in neither state is not an hour's passage.
        const bool hourly = d == SeasonDir::In || stateOf(o.reg) == 1;
        countPassage(st, d, key, now, hourly);
    }
    return o;
}

QString label(SeasonDir d) { return d == SeasonDir::In ? QStringLiteral("  정기권입차") : QStringLiteral("  정기권출차"); }

void traceVerdict(Station& st, SeasonDir d, SeasonVerdict v, const QString& key)
{
    QString what;
    switch (v) {
    case SeasonVerdict::Unregistered:
        what = d == SeasonDir::In ? QStringLiteral("미등록입차") : QStringLiteral("미등록출차");
        break;
    default: what = statusText(d, v); break;
    }
    DebugTraceLineAny(st, label(d) + QStringLiteral(" : ") + what + QStringLiteral(" 처리 정기권번호 ==> ") + key);
}

void showVerdict(Station& st, SeasonDir d, const QString& key, const Outcome& o)
{
    MainScreen& s = st.screen;
    const RegisterRow& r = o.reg;
    const QString pnl = QStringLiteral("PnlMsg");
    const QString shape = QStringLiteral("Shape1");
    switch (o.verdict) {
    case SeasonVerdict::Unregistered:
        s.setText(pnl, QStringLiteral("(미등록) 정기권번호 :  ") + key);
        s.appendList1(QStringLiteral("미등록 차량입니다. 정기권번호 :  ") + key);
        s.setVisible(shape, true);
        break;
    case SeasonVerdict::Expired:
        s.setVisible(shape, true);
        s.setText(pnl, QStringLiteral("(기간초과)   차량번호 : ") + r.car + QStringLiteral("  이름 : ") + r.name +
                           QStringLiteral("  만료일 : ") + r.endText);
        s.appendList1(QStringLiteral("기간초과 차량입니다. 정기권번호 : ") + key + QStringLiteral("  차량번호 : ") + r.car +
                      QStringLiteral("  만료일 : ") + r.endText);
        break;
    case SeasonVerdict::Normal:
    case SeasonVerdict::Repeated: {
        const QString status = statusText(d, o.verdict);
        const QString who = key + QStringLiteral("  차량번호 : ") + r.car + QStringLiteral("  이름 : ") + r.name;
        if (o.verdict == SeasonVerdict::Normal) s.setVisible(shape, false);
        s.setText(pnl, QLatin1Char('(') + status + QStringLiteral(") 정기권번호 :  ") + who);
        s.appendList1(status + QStringLiteral(" 차량입니다. 정기권번호 :  ") + who);
        if (o.verdict == SeasonVerdict::Repeated) s.setVisible(shape, true);
        break;
    }
    default: return;
    }
    traceVerdict(st, d, o.verdict, key);
}

QString carCnt(int i) { return QStringLiteral("CarCnt_") + QString::number(i); }
double counter(const Station& st, int i) { return Val(st.screen.text(carCnt(i))); }

// The settings counter and the labels of a normal passage; read from the labels.
void countCars(Station& st, SeasonDir d)
{
    MainScreen& s = st.screen;
    const bool in = d == SeasonDir::In;
    const int own = in ? 3 : 4;
    const double n = counter(st, own) + 1;
    Write_IniCounter(st, kIniSection, in ? QStringLiteral("정기권입차수") : QStringLiteral("정기권출차수"), CountText(n));
    s.setText(carCnt(own), CountText(n));
    s.setText(carCnt(5), CountText(counter(st, 3) - counter(st, 4)));
    s.setText(carCnt(6), CountText(counter(st, 6) + (in ? 1 : -1)));
}

void barrier(Station& st, SeasonDir d, qint16 gate, bool open)
{
    const DeviceRoutines& r = st.routines;
    const auto& call = d == SeasonDir::In ? (open ? r.Gate_OpenIn : r.Gate_RefuseIn)
                                          : (open ? r.Gate_OpenOut : r.Gate_RefuseOut);
    if (call) call(st, gate);
}

// True when the card is refused as read right after itself at this slot.
bool refusedAsRepeat(Station& st, SeasonDir d, const QString& key, qint16 gate)
{
    const QString& mode = st.settings.SeasonMode;
    if (mode != QLatin1String("2") && mode != QLatin1String("3")) return false;
    QString& last = (d == SeasonDir::In ? st.gates.LastCardIn : st.gates.LastCardOut)[size_t(AntiPassBackSlot(d, gate))];
    if (st.settings.AntiPassBack && key == last) {
        barrier(st, d, gate, false);
        DebugTraceLineAny(st, label(d) + QStringLiteral("  : Anti Pass Back 처리됨"));
        return true;
    }
    last = key;
    return false;
}

void reportFailure(Station& st, const QString& key, const std::exception& e)
{
    QString cause = QString::fromUtf8(e.what());
    if (const auto* db = dynamic_cast<const DbError*>(&e)) cause = db->message();
    const QString line = QStringLiteral("정기권 처리 오류 : ") + key + QLatin1Char(' ') + cause;
    st.screen.appendList1(line);
    DebugTraceLineAny(st, line);
}

void seasonPass(Station& st, SeasonDir d, QString& card, qint16 gate)
{
    card = RemoveSpaces(card);
    const QString key = SeasonCardKey(card); // our own copy from here on
    const QDateTime now = st.clock.now();
    if (refusedAsRepeat(st, d, key, gate)) return;

    Outcome o;
    try {
        Transaction tx(st.Db);
        o = decideAndRecord(st, d, key, now);
        tx.commit();
    } catch (const std::exception& e) {
        reportFailure(st, key, e);
        return;
    }
    if (o.verdict != SeasonVerdict::None) {
        showVerdict(st, d, key, o);
        const bool open = SeasonMayPass(o.verdict, st.settings.SeasonMode);
        if (o.verdict == SeasonVerdict::Normal && d == SeasonDir::In) countCars(st, d);
        barrier(st, d, gate, open);
        if (o.verdict == SeasonVerdict::Normal && d == SeasonDir::Out) countCars(st, d);
    }
    st.screen.refreshTotals();
}

} // namespace

bool SeasonMayPass(SeasonVerdict v, const QString& mode)
{
    switch (v) {
    case SeasonVerdict::Normal: return true;
    case SeasonVerdict::Repeated: return mode != QLatin1String("3");
    case SeasonVerdict::Expired: return mode == QLatin1String("0") || mode == QLatin1String("1");
    case SeasonVerdict::Unregistered: return mode == QLatin1String("0");
    default: return false;
    }
}

QString SeasonCardKey(const QString& card)
{
    return RemoveSpaces(card).left(kCardLength).leftJustified(kCardLength, QLatin1Char(' '));
}

int AntiPassBackSlot(SeasonDir d, qint16 gate)
{
    if (d == SeasonDir::In) return gate == 3 ? 1 : 0;
    return gate == 5 ? 1 : 0;
}

void Season_In(Station& st, QString& card, qint16 gate) { seasonPass(st, SeasonDir::In, card, gate); }
void Season_Out(Station& st, QString& card, qint16 gate) { seasonPass(st, SeasonDir::Out, card, gate); }

} // namespace tolvo
