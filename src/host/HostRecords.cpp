#include "host/HostRecords.h"

#include "core/Sql.h"
#include "serial/Comm.h"

#include <stdexcept>

namespace tolvo {

namespace {

using K = FieldKind;

// The twelve fields of an exit, from position `at` on (OUT 13, CANCEL 16).
std::vector<RecordField> exitFields(int at)
{
    return {{u"티켓번호", at, 4, K::Text},       {u"입차일", at + 4, 10, K::Text},
            {u"입차시간", at + 14, 5, K::Text},  {u"출차일", at + 19, 10, K::Text},
            {u"출차시간", at + 29, 5, K::Text},  {u"입차코드", at + 34, 16, K::Text},
            {u"총주차시간", at + 50, 6, K::Text}, {u"총주차요금", at + 56, 8, K::Number},
            {u"할인시간", at + 64, 4, K::Number}, {u"실수령금액", at + 68, 8, K::Number},
            {u"정산구분", at + 76, 1, K::Flag},   {u"할인구분", at + 77, 20, K::Text}};
}

// Ten bands of amount and count from position `at` on (PKTIME 16, PAMT 14), then the period.
std::vector<RecordField> bandFields(int at)
{
    static const char16_t* const amounts[] = {u"금액1", u"금액2", u"금액3", u"금액4", u"금액5",
                                              u"금액6", u"금액7", u"금액8", u"금액9", u"금액10"};
    static const char16_t* const counts[] = {u"건수1", u"건수2", u"건수3", u"건수4", u"건수5",
                                             u"건수6", u"건수7", u"건수8", u"건수9", u"건수10"};
    std::vector<RecordField> f;
    for (int n = 0; n < 10; ++n) {
        f.push_back({amounts[n], at + 12 * n, 8, K::Number});
        f.push_back({counts[n], at + 12 * n + 8, 4, K::Number});
    }
    const int p = at + 120;
    f.push_back({u"포스코드", p, 2, K::Number});
    f.push_back({u"시작일시", p + 2, 16, K::Text});
    f.push_back({u"종료일시", p + 18, 16, K::Text});
    f.push_back({u"근무자명", p + 34, 10, K::Text});
    f.push_back({u"근무자코드", p + 44, 2, K::Number});
    return f;
}

std::array<RecordLayout, HostKindCount> buildLayouts()
{
    std::vector<RecordField> cancel = exitFields(16);
    cancel.push_back({u"근무자명", 113, 10, K::Text});
    cancel.push_back({u"근무자코드", 123, 2, K::Number});
    cancel.push_back({u"시작일시", 125, 16, K::Text});
    cancel.push_back({u"종료일시", 141, 16, K::Text});

    std::array<RecordLayout, HostKindCount> l{};
    l[HostTD] = {HostTD, "TD", u"일반권", 27, false, {{u"입차코드", 12, 16, K::Raw}}};
    l[HostOUT] = {HostOUT, "OUT", u"일반권", 109, false, exitFields(13)};
    l[HostCANCEL] = {HostCANCEL, "CANCEL", u"출차취소", 156, true, cancel};
    l[HostDISC] = {HostDISC, "DISC", u"할인현황", 93, false,
                   {{u"금액", 14, 8, K::Number},
                    {u"건수", 22, 4, K::Number},
                    {u"포스코드", 26, 2, K::Number},
                    {u"시작일시", 28, 16, K::Text},
                    {u"종료일시", 44, 16, K::Text},
                    {u"명칭", 60, 20, K::Text},
                    {u"근무자명", 80, 10, K::Text},
                    {u"근무자코드", 90, 2, K::Number},
                    {u"할인종류", 92, 2, K::Number}}};
    l[HostTIME] = {HostTIME, "TIME", u"시간대별", 92, false,
                   {{u"금액", 14, 8, K::Number},
                    {u"대수", 22, 4, K::Number},
                    {u"시간대", 26, 2, K::Number},
                    {u"일반권입차수", 28, 4, K::Number},
                    {u"일반권출차수", 32, 4, K::Number},
                    {u"정기권입차수", 36, 4, K::Number},
                    {u"정기권출차수", 40, 4, K::Number},
                    {u"포스코드", 44, 2, K::Number},
                    {u"시작일시", 46, 16, K::Text},
                    {u"종료일시", 62, 16, K::Text},
                    {u"근무자명", 78, 10, K::Text},
                    {u"근무자코드", 88, 2, K::Number},
                    {u"일련번호", 90, 3, K::Number}}};
    l[HostPKTIME] = {HostPKTIME, "PKTIME", u"주차시간대별", 181, false, bandFields(16)};
    l[HostPAMT] = {HostPAMT, "PAMT", u"금액대별", 179, false, bandFields(14)};
    return l;
}

QString fit(const QString& s, int width) { return s.leftJustified(width, QLatin1Char(' '), true); }

} // namespace

int RecordLayout::keyLength() const { return static_cast<int>(qstrlen(code)) + 1 + 7; }

const RecordLayout& HostLayout(HostKind kind)
{
    static const std::array<RecordLayout, HostKindCount> layouts = buildLayouts();
    return layouts.at(static_cast<size_t>(kind));
}

QString RecordKey(const RecordLayout& layout, const QString& posDigit, int tag)
{
    return QLatin1String(layout.code) + posDigit + QStringLiteral("%1").arg(tag, 7, 10, QLatin1Char('0'));
}

QString FieldText(const RecordField& field, const QVariant& value)
{
    switch (field.kind) {
    case FieldKind::Flag: return ToBool(value) ? QStringLiteral("1") : QStringLiteral("0");
    case FieldKind::Raw: return value.isNull() ? QString() : value.toString();
    case FieldKind::Number:
        return fit(value.isNull() ? QString() : QString::number(value.toLongLong()), field.width);
    case FieldKind::Text: break;
    }
    return fit(value.isNull() ? QString() : value.toString(), field.width);
}

QString FormatRecord(const RecordLayout& layout, const QString& key, const ColumnValue& value)
{
    QString text = key + QLatin1Char(' ');
    for (const RecordField& f : layout.fields) {
        const QString column = QString::fromUtf16(f.column);
        text += FieldText(f, value(column));
    }
    return text;
}

const RecordField& LayoutField(const RecordLayout& layout, const QString& column)
{
    for (const RecordField& f : layout.fields)
        if (column == QString::fromUtf16(f.column)) return f;
    throw std::out_of_range("no field " + column.toStdString() + " in the " + layout.code + " record");
}

QString RecordFieldText(const RecordLayout& layout, const QString& text, const QString& column)
{
    const RecordField& f = LayoutField(layout, column);
    return text.mid(f.position - 1, f.width);
}

QByteArray HostRecordFrame(const QString& text) { return TD_Frame(text); }

RecordTags::RecordTags() : RecordTags(std::random_device{}()) {}

RecordTags::RecordTags(std::uint32_t seed) : m_rng(seed) {}

int RecordTags::next(HostKind kind)
{
    std::uniform_int_distribution<int> tag(1, 256);
    int& last = m_last.at(static_cast<size_t>(kind));
    int t = tag(m_rng);
    while (t == last) t = tag(m_rng);
    last = t;
    return t;
}

} // namespace tolvo
