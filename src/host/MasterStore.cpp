#include "host/MasterStore.h"

#include "core/AnsiText.h"
#include "core/Sql.h"
#include "host/HostRecords.h"
#include "serial/Comm.h"

#include <QStringList>
#include <array>

namespace tolvo {

namespace {

// By HostKind: TD, OUT, TIME, PKTIME, PAMT, DISC, CANCEL.
constexpr std::array<const char*, HostKindCount> kAckWords{
    "TD_ACK ", "OUT_ACK ", "TIME_ACK ", "PKTIME_ACK ", "PAMT_ACK", "DISC_ACK", "CANCEL_ACK "};

const QString kPos = QStringLiteral("포스코드");
const QString kEntryCode = QStringLiteral("입차코드");
const QString kTicket = QStringLiteral("티켓번호");
const QString kWorkerName = QStringLiteral("근무자명");
const QStringList kPeriod{QStringLiteral("시작일시"), QStringLiteral("종료일시")};

// The leading decimal number of a field, 0 when there is none: a blank number
// never stops a record.
qint64 LeadingNumber(const QString& field)
{
    const QString t = field.trimmed();
    qsizetype end = t.startsWith(QLatin1Char('-')) ? 1 : 0;
    const qsizetype first = end;
    while (end < t.size() && t[end] >= QLatin1Char('0') && t[end] <= QLatin1Char('9')) ++end;
    return end > first ? t.left(end).toLongLong() : 0;
}

// How a record's fields are counted: characters, or code-page-949 bytes
// (where a Korean text may stand, so that it is cut where the column ends).
enum class Cut { Chars, Bytes };

// A record text read back by its kind's layout.
class Fields {
public:
    Fields(HostKind kind, const QString& text) : m_layout(HostLayout(kind)), m_text(text) {}

    QString chars(const QString& column) const { return RecordFieldText(m_layout, m_text, column); }
    QString bytes(const QString& column) const { return cut(LayoutField(m_layout, column), Cut::Bytes); }
    qint64 number(const QString& column) const { return LeadingNumber(chars(column)); }
    // The POS digit of the key.
    qint64 posDigit() const { return LeadingNumber(m_text.mid(static_cast<qsizetype>(qstrlen(m_layout.code)), 1)); }

    // Every field of the layout: numbers leniently, texts without the blanks
    // that pad them (blanks alone were an empty column).
    Row row(Cut by = Cut::Chars) const
    {
        Row r;
        for (const RecordField& f : m_layout.fields) {
            const QString chars = cut(f, by);
            QVariant v;
            if (f.kind == FieldKind::Number) v = LeadingNumber(chars);
            else if (f.kind == FieldKind::Flag) v = int(chars == QLatin1String("1"));
            else if (f.kind == FieldKind::Raw) v = chars;
            else if (const QString t = chars.trimmed(); !t.isEmpty()) v = t;
            r.emplace_back(QString::fromUtf16(f.column), v);
        }
        return r;
    }

private:
    // A Korean character split at either end of a byte cut becomes a blank.
    QString cut(const RecordField& f, Cut by) const
    {
        if (by == Cut::Chars) return m_text.mid(f.position - 1, f.width);
        return AnsiMidB(m_text, static_cast<qint16>(f.position), static_cast<qint16>(f.width));
    }

    const RecordLayout& m_layout;
    const QString& m_text;
};

void set(Row& row, const QString& column, const QVariant& value)
{
    for (auto& [c, v] : row)
        if (c == column) {
            v = value;
            return;
        }
    row.emplace_back(column, value);
}

void unset(Row& row, const QString& column)
{
    std::erase_if(row, [&](const auto& cell) { return cell.first == column; });
}

QVariant valueOf(const Row& row, const QString& column)
{
    for (const auto& [c, v] : row)
        if (c == column) return v;
    return {};
}

// Adds the row unless one with the same values in sameBy is stored; false when it was.
bool storeOnce(Station& st, const QString& table, const Row& row, const QStringList& sameBy)
{
    QStringList where;
    QVariantList values;
    for (const QString& c : sameBy) {
        where << Id(c) + QStringLiteral(" IS ?");
        values << valueOf(row, c);
    }
    const QString lookup =
        QStringLiteral("SELECT 1 FROM %1 WHERE %2 LIMIT 1").arg(Id(table), where.join(QStringLiteral(" AND ")));
    if (Scalar(st.Db, lookup, values).isValid()) return false;
    Insert(st.Db, table, row);
    return true;
}

// Replaces the rows of the row's 입차코드 with it, in one step: a failure keeps the old row.
void replaceByEntryCode(Station& st, const QString& table, const Row& row)
{
    Transaction tx(st.Db);
    Exec(st.Db, QStringLiteral("DELETE FROM %1 WHERE 입차코드 = ?").arg(Id(table)), {valueOf(row, kEntryCode)});
    Insert(st.Db, table, row);
    tx.commit();
}

// 전송여부 of a row the option sends on (True: not to be sent).
int sentUnless(Station& st, const QString& option)
{
    return int(!ToBool(Scalar(st.Db, QStringLiteral("SELECT ") + Id(option) + QStringLiteral(" FROM 인쇄옵션"))));
}

void acknowledge(Station& st, HostKind kind, const QString& text, const QString& line)
{
    if (st.comm) st.comm->Output(PortCalc, TD_Frame(MasterAck(kind, text)));
    st.screen.appendList1(line);
}

void storeBands(Station& st, HostKind kind, const QString& text, const QString& line)
{
    const Fields f(kind, text);
    Row row = f.row();
    set(row, kWorkerName, f.bytes(kWorkerName));
    set(row, QStringLiteral("정산여부"), 1); // 전송여부 takes the column's default: to be sent
    storeOnce(st, QString::fromUtf16(HostLayout(kind).table), row, kPeriod + QStringList{kPos});
    acknowledge(st, kind, text, line);
    st.HostPending[kind] = true;
}

} // namespace

std::optional<HostKind> MasterRecordKind(const QString& text)
{
    for (int k = 0; k < HostKindCount; ++k) {
        const RecordLayout& l = HostLayout(static_cast<HostKind>(k));
        if (text.size() == l.length && text.startsWith(QLatin1String(l.code))) return l.kind;
    }
    return std::nullopt;
}

QString MasterAck(HostKind kind, const QString& text)
{
    return QLatin1String(kAckWords.at(static_cast<size_t>(kind))) + text.left(HostLayout(kind).keyLength());
}

void Recv_TD(Station& st, const QString& text)
{
    const Fields f(HostTD, text);
    const QString code = f.chars(kEntryCode); // ticket, yyyymmdd, hh, nn
    Row row = f.row();
    set(row, kPos, f.posDigit());
    set(row, kTicket, code.left(4));
    const QChar dash = QLatin1Char('-');
    set(row, QStringLiteral("입차일"), code.mid(4, 4) + dash + code.mid(8, 2) + dash + code.mid(10, 2));
    set(row, QStringLiteral("입차시간"), code.mid(12, 2) + QLatin1Char(':') + code.mid(14, 2));
    set(row, QStringLiteral("정산구분"), 1);
    set(row, QStringLiteral("전송여부"), 1); // entries stay with the master
    // A repeated entry stores nothing, so it never overwrites a stored exit; it
    // is still acknowledged, or the station would offer it for ever.
    storeOnce(st, QStringLiteral("일반권"), row, {kEntryCode});
    acknowledge(st, HostTD, text, QStringLiteral("일반권 입차데이터 수신 주차권번호: ") + code.left(4));
}

void Recv_OUT(Station& st, const QString& text)
{
    const Fields f(HostOUT, text);
    Row row = f.row(Cut::Bytes); // 할인구분 to 20 bytes: a Korean name keeps half its characters
    set(row, kPos, f.posDigit());
    set(row, QStringLiteral("정산구분"), 1);
    set(row, QStringLiteral("전송여부"), sentUnless(st, QStringLiteral("일반권출차전송")));
    // A stored copy of the ticket (its entry, or this exit sent before) gives way to it.
    replaceByEntryCode(st, QStringLiteral("일반권"), row);
    acknowledge(st, HostOUT, text, QStringLiteral("일반권 출차데이터 수신 주차권번호: ") + f.bytes(kTicket));
    st.HostPending[HostOUT] = true;
}

void Recv_DISC(Station& st, const QString& text)
{
    const Fields f(HostDISC, text);
    Row row = f.row();
    set(row, QStringLiteral("정산여부"), 1);
    set(row, QStringLiteral("전송여부"), 0);
    const QString name = QStringLiteral("명칭");
    storeOnce(st, QStringLiteral("할인현황"), row, kPeriod + QStringList{kPos, name});
    acknowledge(st, HostDISC, text, QStringLiteral("할인현황 데이터 수신: ") + f.chars(name).trimmed());
    st.HostPending[HostDISC] = true;
}

void Recv_TIME(Station& st, const QString& text)
{
    const Fields f(HostTIME, text);
    Row row = f.row();
    set(row, kWorkerName, f.bytes(kWorkerName));
    unset(row, QStringLiteral("일련번호")); // the order of the sender's shift, not the master's
    set(row, QStringLiteral("정산여부"), 1);
    set(row, QStringLiteral("전송여부"), 0);
    set(row, QStringLiteral("데이터유무"), 1);
    const QString hour = QStringLiteral("시간대");
    storeOnce(st, QStringLiteral("시간대별"), row, kPeriod + QStringList{kPos, hour});
    acknowledge(st, HostTIME, text, QStringLiteral("시간대별 데이터 수신: 시간대 = ") + QString::number(f.number(hour)));
    st.HostPending[HostTIME] = true;
}

void Recv_PKTIME(Station& st, const QString& text)
{
    storeBands(st, HostPKTIME, text, QStringLiteral("주차시간대별 데이터 수신"));
}

void Recv_PAMT(Station& st, const QString& text) { storeBands(st, HostPAMT, text, QStringLiteral("금액대별 데이터 수신")); }

void Recv_CANCEL(Station& st, const QString& text)
{
    const Fields f(HostCANCEL, text);
    Row row = f.row();
    const int sent = sentUnless(st, QStringLiteral("출차취소전송"));
    set(row, QStringLiteral("정산구분"), 1); // settled at its own station
    set(row, QStringLiteral("전송여부"), sent);
    // A cancellation sent again (the ticket cancelled again, or its acknowledgement lost) replaces the stored one.
    replaceByEntryCode(st, QStringLiteral("출차취소"), row);
    acknowledge(st, HostCANCEL, text, QStringLiteral("출차취소 데이터 수신 주차권번호: ") + f.chars(kTicket));
    if (!sent) st.HostPending[HostCANCEL] = true;
}

void Master_Store(Station& st, HostKind kind, const QString& text)
{
    switch (kind) {
    case HostTD: Recv_TD(st, text); break;
    case HostOUT: Recv_OUT(st, text); break;
    case HostDISC: Recv_DISC(st, text); break;
    case HostTIME: Recv_TIME(st, text); break;
    case HostPKTIME: Recv_PKTIME(st, text); break;
    case HostPAMT: Recv_PAMT(st, text); break;
    case HostCANCEL: Recv_CANCEL(st, text); break;
    case HostKindCount: break;
    }
}

} // namespace tolvo
