#include "fee/TariffForm.h"

#include "core/Sql.h"
#include "fee/Tariff.h"
#include "platform/Messages.h"
#include "platform/Vb.h"

#include <QSqlRecord>

namespace tolvo {

namespace {

const std::array<Binding, 33> kBindings{{
    {"C1", "기본사용", BoundKind::Check},        {"T1", "기본시간", BoundKind::Integer},
    {"T2", "기본금액", BoundKind::Long},         {"C2", "구간사용1", BoundKind::Check},
    {"T3", "구간시각1", BoundKind::Integer},     {"T4", "구간시간1", BoundKind::Integer},
    {"T5", "구간금액1", BoundKind::Long},        {"C3", "구간사용2", BoundKind::Check},
    {"T6", "구간시각2", BoundKind::Integer},     {"T7", "구간시간2", BoundKind::Integer},
    {"T8", "구간금액2", BoundKind::Long},        {"C4", "구간사용3", BoundKind::Check},
    {"T9", "구간시각3", BoundKind::Integer},     {"T10", "구간시간3", BoundKind::Integer},
    {"T11", "구간금액3", BoundKind::Long},       {"T12", "구간시간4", BoundKind::Integer},
    {"T13", "구간금액4", BoundKind::Long},       {"C6", "할인사용", BoundKind::Check},
    {"T14", "시간할인", BoundKind::Integer},     {"C7", "회차사용", BoundKind::Check},
    {"T15", "회차시간", BoundKind::Integer},     {"C8", "일일최대사용", BoundKind::Check},
    {"T16", "일일최대요금", BoundKind::Long},    {"C9", "최대사용", BoundKind::Check},
    {"T17", "최대요금", BoundKind::Long},        {"C5", "고정금액사용", BoundKind::Check},
    {"C10", "무료처리여부", BoundKind::Check},   {"C11", "공휴일무료여부", BoundKind::Check},
    {"C12", "기본요금포함여부", BoundKind::Check}, {"D1_0", "평일개장시간", BoundKind::Time},
    {"D1_1", "평일폐장시간", BoundKind::Time},   {"D1_2", "주말개장시간", BoundKind::Time},
    {"D1_3", "주말폐장시간", BoundKind::Time},
}};

QVariant storedValue(const TariffForm& f, const Binding& b)
{
    const QString c = QString::fromUtf8(b.control);
    switch (b.kind) {
    case BoundKind::Check: return f.checks.value(c) ? 1 : 0;
    case BoundKind::Integer: return int(CInt(Val(f.texts.value(c))));
    case BoundKind::Long: return CLng(Val(f.texts.value(c)));
    case BoundKind::Time: {
        const auto m = MinutesOfDay(f.times.value(c));
        return m ? QVariant(QStringLiteral("%1:%2")
                               .arg(*m / 60, 2, 10, QLatin1Char('0'))
                               .arg(*m % 60, 2, 10, QLatin1Char('0')))
                 : QVariant(QMetaType::fromType<QString>());
    }
    }
    return {};
}

void readInto(TariffForm& f, const Binding& b, const QVariant& v)
{
    const QString c = QString::fromUtf8(b.control);
    switch (b.kind) {
    case BoundKind::Check: f.checks[c] = ToBool(v); break;
    case BoundKind::Integer:
    case BoundKind::Long: f.texts[c] = v.isNull() ? QString() : QString::number(v.toLongLong()); break;
    case BoundKind::Time: f.times[c] = v.isNull() ? QString() : v.toString(); break;
    }
}

const char* const kPrefixes[4] = {"구간요금(1) : ", "구간요금(2) : ", "구간요금(3) : ", "최종구간     : "};

// The width the leave handling pads a start label to.
constexpr int kLeaveWidth = 3;
constexpr int kActivateWidth = 4;

void accept(Boundaries& b) { b.accepted = b.text; }

bool changed(const Boundaries& b, int from)
{
    for (int i = from; i < 4; ++i)
        if (b.text[size_t(i)] != b.accepted[size_t(i)]) return true;
    return false;
}

// The prefixes of the refusal of a band end, bands 1 to 3.
const char* const kEarlierPrefixes[3] = {"기본구간의 기본시간 (", "구간1의 기본시간 (", "구간2의 기본시간 ("};

bool endsBefore(const QString& earlier, const QString& end) { return Val(earlier) > Val(end); }

QString endsBeforeText(int band, const QString& earlier)
{
    return QString::fromUtf8(kEarlierPrefixes[band]) + earlier + QStringLiteral(") 보다 이후시간으로 입력하세요!");
}

// Refuses an end before the earlier boundary: message, then the earlier text.
bool refuseEarlier(Boundaries& b, int field, Messages& msgs)
{
    const QString& earlier = b.text[size_t(field - 1)];
    if (!endsBefore(earlier, b.text[size_t(field)])) return false;
    msgs.Msg_Box(endsBeforeText(field - 1, earlier), QStringLiteral("입력오류"));
    b.text[size_t(field)] = earlier;
    return true;
}

} // namespace

const std::array<Binding, 33>& TariffBindings() { return kBindings; }

TariffForm LoadTariffForm(const QSqlDatabase& db)
{
    TariffForm f;
    QSqlQuery q = Query(db, QStringLiteral("SELECT * FROM 기타"));
    const bool found = q.next();
    const QSqlRecord r = q.record();
    for (const Binding& b : kBindings)
        readInto(f, b, found ? r.value(QString::fromUtf8(b.field)) : QVariant());
    return f;
}

void SaveTariffForm(const QSqlDatabase& db, const TariffForm& form)
{
    QStringList sets;
    QVariantList values;
    Row row;
    for (const Binding& b : kBindings) {
        const QString field = QString::fromUtf8(b.field);
        const QVariant v = storedValue(form, b);
        sets << Id(field) + QStringLiteral(" = ?");
        values << v;
        row.emplace_back(field, v);
    }
    Transaction t(db);
    if (Scalar(db, QStringLiteral("SELECT COUNT(*) FROM 기타")).toLongLong() == 0)
        Insert(db, QStringLiteral("기타"), row);
    else
        Exec(db, QStringLiteral("UPDATE 기타 SET ") + sets.join(QStringLiteral(", ")), values);
    t.commit();
}

SlotInputs SlotInputsOf(const TariffForm& f)
{
    SlotInputs in;
    in.basicOn = f.checks.value(QStringLiteral("C1"));
    in.bandOn[0] = f.checks.value(QStringLiteral("C2"));
    in.bandOn[1] = f.checks.value(QStringLiteral("C3"));
    in.bandOn[2] = f.checks.value(QStringLiteral("C4"));
    in.fixedOn = f.checks.value(QStringLiteral("C5"));
    in.dailyCapOn = f.checks.value(QStringLiteral("C8"));
    in.basicTime = f.texts.value(QStringLiteral("T1"));
    in.basicAmount = f.texts.value(QStringLiteral("T2"));
    for (int i = 0; i < 3; ++i) {
        in.bandEnd[i] = f.texts.value(QStringLiteral("T%1").arg(3 + 3 * i));
        in.bandUnit[i] = f.texts.value(QStringLiteral("T%1").arg(4 + 3 * i));
        in.bandAmount[i] = f.texts.value(QStringLiteral("T%1").arg(5 + 3 * i));
    }
    in.finalUnit = f.texts.value(QStringLiteral("T12"));
    in.finalAmount = f.texts.value(QStringLiteral("T13"));
    in.dailyCap = f.texts.value(QStringLiteral("T16"));
    return in;
}

SetOutcome SetTariff(QSqlDatabase& db, const TariffForm& form)
{
    const SlotGeneration g = GenerateSlotTable(SlotInputsOf(form));
    if (g.kind == SlotGeneration::UnitTooSmall) return {SetOutcome::UnitTooSmall, g.focusField, {}};
    if (g.kind == SlotGeneration::Failed) return {SetOutcome::Failed, {}, g.error};
    try {
        Transaction t(db);
        SaveTariffForm(db, form);
        ReplaceSlotRows(db, g.rows);
        t.commit();
    } catch (const std::exception& e) {
        return {SetOutcome::Failed, {}, QString::fromUtf8(e.what())};
    }
    return {};
}

std::optional<FieldFault> TariffCloseFault(const TariffForm& f)
{
    // A fixed amount hides the bands and prices nothing by them.
    if (!f.checks.value(QStringLiteral("C5"))) {
        const char* const boundaries[4] = {"T1", "T3", "T6", "T9"};
        for (int band = 1; band <= 3; ++band) {
            // The band is in use and so is the boundary it starts from, as leaving its end checks.
            const bool on = f.checks.value(QStringLiteral("C%1").arg(band + 1));
            const bool startOn = f.checks.value(QStringLiteral("C%1").arg(band));
            const QString earlier = f.texts.value(QString::fromLatin1(boundaries[band - 1]));
            const QString end = QString::fromLatin1(boundaries[band]);
            if (on && startOn && endsBefore(earlier, f.texts.value(end)))
                return FieldFault{end, endsBeforeText(band - 1, earlier)};
        }
    }
    if (const QString unit = RefusedUnitField(SlotInputsOf(f)); !unit.isEmpty())
        return FieldFault{unit, UnitTooSmallText()};
    return std::nullopt;
}

QString StartLabelPrefix(int band) { return QString::fromUtf8(kPrefixes[band]); }

QString StartLabel(int band, const QString& value, int width)
{
    return StartLabelPrefix(band) + value.rightJustified(width) + QStringLiteral("분 부터");
}

void ActivateBoundaries(Boundaries& b)
{
    for (int i = 0; i < 4; ++i) b.label[size_t(i)] = StartLabel(i, b.text[size_t(i)], kActivateWidth);
    b.loading = false;
    accept(b);
}

QString LeaveBoundary(Boundaries& b, Boundaries::Field field, Messages& msgs)
{
    if (b.loading || !changed(b, field)) return {};
    QString focus;
    auto& t = b.text;
    auto& l = b.label;
    switch (field) {
    case Boundaries::T1:
        for (int i = 0; i < 4; ++i) l[size_t(i)] = StartLabel(i, t[0], kLeaveWidth);
        t[1] = t[2] = t[3] = t[0];
        break;
    case Boundaries::T3:
        l[1] = StartLabel(1, t[1], kLeaveWidth);
        if (b.basicOn && refuseEarlier(b, 1, msgs)) focus = QStringLiteral("T3");
        l[2] = StartLabel(2, t[1], kLeaveWidth);
        l[3] = StartLabel(3, t[1], kLeaveWidth);
        t[2] = t[3] = t[1];
        break;
    case Boundaries::T6:
        if (b.band1On && refuseEarlier(b, 2, msgs)) focus = QStringLiteral("T6");
        l[2] = StartLabel(2, t[2], kLeaveWidth);
        l[3] = StartLabel(3, t[2], kLeaveWidth);
        t[3] = t[2];
        break;
    case Boundaries::T9:
        if (b.band2On && refuseEarlier(b, 3, msgs)) focus = QStringLiteral("T9");
        l[3] = StartLabel(3, t[3], kLeaveWidth);
        break;
    }
    accept(b); // the boundaries now on screen are the accepted ones
    return focus;
}

QString CheckExplanation(int box, bool on)
{
    const char* text = "";
    switch (box) {
    case 1: text = on ? "기본요금을 최초 1번만 적용합니다." : "기본요금을 해제합니다. 이경우 구간요금만 적용됩니다."; break;
    case 2: text = on ? "첫번째 구간요금을 적용합니다." : "첫번째 구간요금을 해제합니다."; break;
    case 3: text = on ? "두번째 구간요금을 적용합니다." : "두번째 구간요금을 해제합니다."; break;
    case 4: text = on ? "세번째 구간요금을 적용합니다." : "세번째 구간요금을 해제합니다."; break;
    case 5:
        text = on ? "일일 고정금액으로 설정합니다(기본요금, 구간요금, 최대요금을 적용하지 않습니다.)"
                  : "일일 고정금액을 해제합니다";
        break;
    case 6: text = on ? "요금계산시 기본적으로 설정된 시간을 할인합니다." : "서비스 시간을 해제합니다."; break;
    case 7: text = on ? "회차시간을 설정합니다.(이경우 요금은 무료처리 됩니다)" : "회차시간을 해제합니다."; break;
    case 8: text = on ? "일일최대요금을 적용합니다." : "일일최대요금을 해제합니다."; break;
    case 9: text = on ? "전체최대요금을 적용합니다." : "전체최대요금을 해제합니다."; break;
    case 10:
        text = on ? "폐장시간 이후 개장시간 이전 까지 무료요금 처리합니다."
                  : "폐장시간 이후 개장시간 이전 까지도 정상적으로 요금을 징수합니다.";
        break;
    case 11:
        text = on ? "공휴일 또는 일요일 무료요금 처리합니다." : "공휴일 또는 일요일도 정상적으로 요금을 징수합니다.";
        break;
    case 12:
        text = on ? "시간할인시 출차시간을 기점으로 할인적용합니다." : "시간할인시 입차시간을 기점으로 할인적용합니다.";
        break;
    default: break;
    }
    return QStringLiteral("기능설명 : ") + QString::fromUtf8(text);
}

QString C12Caption(bool on)
{
    return on ? QStringLiteral("시간할인시 출차시간을 기점으로 할인적용.")
              : QStringLiteral("시간할인시 입차시간을 기점으로 할인적용.");
}

} // namespace tolvo
