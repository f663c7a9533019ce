#include "host/HostSend.h"

#include "core/Sql.h"
#include "host/HostLink.h"
#include "host/HostRecords.h"
#include "serial/Comm.h"
#include "serial/Trace.h"

#include <QSqlQuery>
#include <array>

namespace tolvo {

namespace {

struct SendSpec {
    const char16_t* select;     // the kind's unsent rows, the one to send first
    QStringList markBy;         // columns that pick the rows marked sent
    const char16_t* attempt;
    const char16_t* done;
    const char16_t* failed;
    const char16_t* traceColumn; // the value after the trace text; nullptr: none
    bool lamp;                   // the result sets the host-link lamp
    // The row is marked only while every column of its record still holds what
    // was sent: an exit or a cancellation rewritten during the wait goes again.
    bool asSent = false;
    // Record columns left out of that comparison: a writer stamps them on a row
    // without making it a new record, so the row is sent once, as it was.
    QStringList stamped{};
};

const QString kPos = QStringLiteral("포스코드");

std::array<SendSpec, HostKindCount> buildSpecs()
{
    const QStringList period{QStringLiteral("시작일시"), QStringLiteral("종료일시")};
    std::array<SendSpec, HostKindCount> s{};
    // An entry is marked only while it still has no exit: an exit stored
    // during the wait is sent as an exit.
    s[HostTD] = {u"SELECT * FROM 일반권 WHERE 출차일 IS NULL AND 전송여부 = 0 ORDER BY 입차일, 입차시간, 티켓번호 LIMIT 1",
                 {QStringLiteral("입차코드"), QStringLiteral("출차일")},
                 u"  > 입차데이터 전송시도   : ",
                 u"  < 입차데이터 전송완료   : ",
                 u"   입차데이터 전송실패   : ",
                 u"티켓번호",
                 false};
    s[HostOUT] = {u"SELECT * FROM 일반권 WHERE 출차일 IS NOT NULL AND 전송여부 = 0 ORDER BY 출차일, 출차시간, 티켓번호 LIMIT 1",
                  {QStringLiteral("입차코드")},
                  u"  > 출차데이터 전송시도   : ",
                  u"  < 출차데이터 전송완료   : ",
                  u"   출차데이터 전송실패   : ",
                  u"티켓번호",
                  true,
                  true,
                  // The settlement's stamp: an exit settled during its wait is not sent again.
                  {QStringLiteral("정산구분")}};
    // A settled cancellation changes only when it is recorded again; the
    // settlement writes open ones.
    s[HostCANCEL] = {u"SELECT * FROM 출차취소 WHERE 정산구분 = 1 AND 전송여부 = 0 ORDER BY 출차일, 출차시간, 티켓번호 LIMIT 1",
                     {QStringLiteral("입차코드")},
                     u"  > 출차취소 데이터 전송시도   : ",
                     u"  < 출차취소 데이터 전송완료   : ",
                     u"   출차취소 데이터 전송실패   : ",
                     u"티켓번호",
                     true,
                     true};
    // The statistics rows are marked by their period and, so that one station's
    // acknowledgement never marks another's row, by their own POS code. Nothing
    // writes a closed period's rows, so they cannot change during the wait.
    s[HostDISC] = {u"SELECT * FROM 할인현황 WHERE 정산여부 = 1 AND 전송여부 = 0 LIMIT 1",
                   period + QStringList{QStringLiteral("명칭"), kPos},
                   u"  > 할인현황 데이터 전송시도   : ",
                   u"  < 할인현황 데이터 전송완료   : ",
                   u"   할인현황 데이터 전송실패   : ",
                   u"명칭",
                   true};
    s[HostTIME] = {u"SELECT * FROM 시간대별 WHERE 정산여부 = 1 AND 전송여부 = 0 AND 데이터유무 = 1 LIMIT 1",
                   period + QStringList{QStringLiteral("시간대"), kPos},
                   u"  > 시간대별 데이터 전송시도   : ",
                   u"  < 시간대별 데이터 전송완료   : ",
                   u"  > 시간대별 데이터 전송실패   : ",
                   u"시간대",
                   true};
    s[HostPKTIME] = {u"SELECT * FROM 주차시간대별 WHERE 정산여부 = 1 AND 전송여부 = 0 LIMIT 1",
                     period + QStringList{kPos},
                     u"  < 주차시간대별 전송시도   : ",
                     u"  > 주차시간대별 전송완료   : ",
                     u"    주차시간대별 전송실패   : ",
                     nullptr,
                     true};
    s[HostPAMT] = {u"SELECT * FROM 금액대별 WHERE 정산여부 = 1 AND 전송여부 = 0 LIMIT 1",
                   period + QStringList{kPos},
                   u"  > 금액대별 데이터 전송시도   : ",
                   u"  < 금액대별 전송완료   : ",
                   u"   금액대별 전송실패   : ",
                   nullptr,
                   true};
    return s;
}

const SendSpec& spec(HostKind kind)
{
    static const std::array<SendSpec, HostKindCount> specs = buildSpecs();
    return specs.at(static_cast<size_t>(kind));
}

QString traceValue(const SendSpec& s, const QSqlRecord& row)
{
    if (!s.traceColumn) return {};
    const QVariant v = row.value(QString::fromUtf16(s.traceColumn));
    return v.isNull() ? QString() : v.toString();
}

void trace(Station& st, const char16_t* text, const QString& value)
{
    DebugTraceLine(st, PortHost, QString::fromUtf16(text) + value);
}

QStringList markColumns(const RecordLayout& layout, const SendSpec& s)
{
    QStringList columns = s.markBy;
    if (s.asSent)
        for (const RecordField& f : layout.fields)
            if (!s.stamped.contains(QString::fromUtf16(f.column))) columns << QString::fromUtf16(f.column);
    columns.removeDuplicates();
    return columns;
}

// Marks the sent row as it was sent; Null-safe, so a row with an empty column
// can be marked too.
void markSent(Station& st, const RecordLayout& layout, const SendSpec& s, const QSqlRecord& row)
{
    QStringList where;
    QVariantList values;
    for (const QString& c : markColumns(layout, s)) {
        where << Id(c) + QStringLiteral(" IS ?");
        values << row.value(c);
    }
    Exec(st.Db,
         QStringLiteral("UPDATE %1 SET 전송여부 = 1 WHERE %2")
             .arg(Id(QString::fromUtf16(layout.table)), where.join(QStringLiteral(" AND "))),
         values);
}

qint64 nowMs(const Station& st) { return st.comm ? st.comm->waits().nowMs() : 0; }

bool overdue(const Station& st, const HostAwait& a) { return nowMs(st) >= a.deadlineMs; }

// The awaited record's result, taken once, when it is decided.
void finishAwaited(Station& st, HostLink& link, bool acknowledged)
{
    const HostAwait a = *link.awaiting;
    link.awaiting.reset();
    const SendSpec& s = spec(a.kind);
    const QString value = traceValue(s, a.row);
    if (!acknowledged) {
        trace(st, s.failed, value);
        link.HostAck[a.kind] = false;
        if (s.lamp) st.Connect1.setStatus(false);
        return;
    }
    trace(st, s.done, value);
    try {
        markSent(st, HostLayout(a.kind), s, a.row);
    } catch (const DbError& e) {
        // The row stays unsent and goes again; the host tells repeats apart.
        DebugTraceLine(st, PortHost, QStringLiteral("  호스트 전송 완료 표시 실패 : ") + e.message());
    }
    if (s.lamp) st.Connect1.setStatus(true);
}

} // namespace

std::optional<HostRecord> NextHostRecord(Station& st, HostLink& link, HostKind kind)
{
    const RecordLayout& layout = HostLayout(kind);
    QSqlQuery q = Query(st.Db, QString::fromUtf16(spec(kind).select));
    if (!q.next()) return std::nullopt;
    HostRecord r;
    r.row = q.record();
    q.finish();

    // A row stored without its booth's code is sent as this booth's, or no
    // acknowledgement could ever match its key.
    QVariant pos = r.row.value(kPos);
    if (pos.isNull()) pos = st.models.PosCode;
    const QString digit = layout.fixedPosDigit ? QStringLiteral("0") : QString::number(pos.toLongLong());
    r.key = RecordKey(layout, digit, link.tags.next(kind));
    r.text = FormatRecord(layout, r.key, [&](const QString& column) {
        return column == kPos ? pos : r.row.value(column);
    });
    return r;
}

void Host_Send(Station& st, HostLink& link, HostKind kind)
{
    if (link.awaiting) {
        if (!overdue(st, *link.awaiting)) return;
        finishAwaited(st, link, false);
    }
    const std::optional<HostRecord> rec = NextHostRecord(st, link, kind);
    if (!rec) {
        st.HostPending[kind] = false;
        return;
    }
    const SendSpec& s = spec(kind);
    // Host frames that arrive during the wait are handled at once, inside it.
    st.Connect1.setProcessNum(rec->key);
    link.HostAck[kind] = false;
    // A monotonic deadline: the host setting the clock cannot shorten or stretch it.
    const double pause = st.settings.PauseTime;
    const quint64 send = ++link.sends;
    link.awaiting = HostAwait{send, kind, nowMs(st) + qRound64(pause * 1000), rec->row};
    const auto waiting = [&link, send] { return link.awaiting && link.awaiting->send == send; };
    if (st.comm) st.comm->Output(PortHost, HostRecordFrame(rec->text));
    DebugTraceTrim(st);
    DebugTraceSeparator(st, PortHost);
    trace(st, s.attempt, kind == HostTD ? rec->text : traceValue(s, rec->row));

    WaitUntil(st, [&] { return !waiting(); }, pause, PortHost);
    if (waiting()) finishAwaited(st, link, false);
}

void Host_Acknowledged(Station& st, HostLink& link, HostKind kind)
{
    if (!link.awaiting || link.awaiting->kind != kind || overdue(st, *link.awaiting)) return;
    finishAwaited(st, link, true);
}

} // namespace tolvo
