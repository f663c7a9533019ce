#include "fee/SlotTable.h"

#include "core/Sql.h"
#include "platform/Vb.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <stdexcept>

namespace tolvo {

namespace {

const char* const kBandNames[3] = {"구간요금1", "구간요금2", "구간요금3"};
const QString kBandFields[3] = {QStringLiteral("T4"), QStringLiteral("T7"), QStringLiteral("T10")};

struct Builder {
    std::vector<SlotRow>& rows;
    int next = 0; // index of the next row to write
    qint64 fee = 0;  // F
    qint64 end = 0;  // E
    bool capOn = false;
    double cap = 0;

    bool full() const { return next >= kSlotCount; }

    void put(qint64 f, std::optional<qint64> amount, const QString& rule)
    {
        if (full()) return; // rows past the last slot are dropped
        SlotRow& r = rows[static_cast<size_t>(next++)];
        r.fee = CLng(static_cast<double>(f));
        r.amount = amount ? std::optional<qint32>(CLng(static_cast<double>(*amount))) : std::nullopt;
        r.rule = rule;
    }

    void bandRow(qint64 amount, const QString& name)
    {
        if (capOn && cap <= static_cast<double>(fee + amount)) {
            const qint32 c = CLng(cap);
            put(c, c, QStringLiteral("일일최대"));
        } else {
            put(fee + amount, amount, name);
        }
    }

    // N units of U minutes up to bandEnd, each of U/5 rows.
    void band(double bandEnd, qint16 unit, qint32 amount, const QString& name)
    {
        const qint16 units = CInt((bandEnd - static_cast<double>(end)) / unit);
        const qint16 rowsPerUnit = CInt(unit / 5.0);
        for (int u = 1; u <= units && !full(); ++u) {
            for (int k = 0; k < rowsPerUnit; ++k) bandRow(amount, name);
            fee += amount;
        }
        end = CInt(bandEnd);
    }
};

std::vector<SlotRow> emptyRows()
{
    std::vector<SlotRow> rows(kSlotCount);
    for (int i = 0; i < kSlotCount; ++i) {
        rows[static_cast<size_t>(i)].slot = i + 1;
        rows[static_cast<size_t>(i)].parkTime = SlotLabel(i + 1);
    }
    return rows;
}

SlotGeneration refused(const QString& field)
{
    SlotGeneration g;
    g.kind = SlotGeneration::UnitTooSmall;
    g.focusField = field;
    return g;
}

void fixedRows(std::vector<SlotRow>& rows, qint32 amount)
{
    for (SlotRow& r : rows) {
        r.fee = amount;
        r.amount = amount;
        r.rule = QStringLiteral("고정요금");
    }
}

void bandedRows(std::vector<SlotRow>& rows, const SlotInputs& in, qint16 basicTime, qint32 basicAmount)
{
    Builder b{rows};
    b.capOn = in.dailyCapOn;
    b.cap = Val(in.dailyCap);
    if (in.basicOn) {
        const qint16 count = CInt(basicTime / 5.0);
        if (count > kSlotCount)
            throw std::range_error("기본시간이 요금테이블의 " + std::to_string(kSlotCount) + "구간을 넘습니다.");
        for (int i = 0; i < count; ++i) b.put(basicAmount, basicAmount, QStringLiteral("기본요금"));
        b.fee = basicAmount;
        b.end = basicTime;
    }
    for (int i = 0; i < 3; ++i) {
        if (!in.bandOn[i]) continue;
        b.band(Val(in.bandEnd[i]), CInt(Val(in.bandUnit[i])), CLng(Val(in.bandAmount[i])),
               QString::fromUtf8(kBandNames[i]));
    }
    b.band(1440.0, CInt(Val(in.finalUnit)), CLng(Val(in.finalAmount)), QStringLiteral("최종구간"));
}

} // namespace

QString SlotLabel(int slot)
{
    const int minutes = (slot * 5) % 1440;
    return QStringLiteral("%1시간%2분")
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString UnitTooSmallText() { return QStringLiteral("단위 시간을 5분 이상으로 설정하세요"); }

QString RefusedUnitField(const SlotInputs& in)
{
    for (int i = 0; i < 3; ++i)
        if (in.bandOn[i] && Val(in.bandUnit[i]) < 5) return kBandFields[i];
    // The final unit divides the rest of the day and prices every stay past a day,
    // in both modes; below 5 minutes it gives free slots or no price at all.
    if (Val(in.finalUnit) < 5) return QStringLiteral("T12");
    return {};
}

SlotGeneration GenerateSlotTable(const SlotInputs& in)
{
    if (const QString field = RefusedUnitField(in); !field.isEmpty()) return refused(field);

    SlotGeneration g;
    try {
        g.rows = emptyRows();
        const qint16 basicTime = CInt(Val(in.basicTime));
        const qint32 basicAmount = CLng(Val(in.basicAmount));
        if (in.fixedOn) fixedRows(g.rows, basicAmount);
        else bandedRows(g.rows, in, basicTime, basicAmount);
    } catch (const std::exception& e) {
        g.kind = SlotGeneration::Failed;
        g.error = QString::fromUtf8(e.what());
        g.rows.clear();
    }
    return g;
}

void ReplaceSlotRows(QSqlDatabase& db, const std::vector<SlotRow>& rows)
{
    Exec(db, QStringLiteral("DELETE FROM 요금테이블"));
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO 요금테이블 (주차시간, 요금, 구분, 시간, 적용구분) VALUES (?, ?, ?, ?, ?)")))
        throw DbError(q.lastError().text());
    for (const SlotRow& r : rows) {
        q.addBindValue(r.parkTime);
        q.addBindValue(r.fee);
        q.addBindValue(r.amount ? QVariant(*r.amount) : QVariant(QMetaType::fromType<int>()));
        q.addBindValue(r.slot);
        q.addBindValue(r.rule.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(r.rule));
        if (!q.exec()) throw DbError(q.lastError().text());
    }
}

void WriteSlotTable(QSqlDatabase& db, const std::vector<SlotRow>& rows)
{
    Transaction trx(db);
    ReplaceSlotRows(db, rows);
    trx.commit();
}

} // namespace tolvo
