#include "fee/KeyEditor.h"

#include "core/Sql.h"
#include "fee/DiscountKeys.h"
#include "platform/Vb.h"
#include "core/Station.h"

#include <QSqlQuery>
#include <algorithm>
#include <stdexcept>

namespace tolvo {

namespace {

const QString kInputError = QStringLiteral("자료입력 오류");
const QString kSaveError = QStringLiteral("자료저장 오류");

// A rate box's value: the number its text begins with, as a 32-bit whole
// number; nothing when the text is not numeric or the number does not fit.
std::optional<qint32> rateValue(const QString& text)
{
    if (!IsNumeric(text)) return std::nullopt;
    try {
        return CLng(Val(text));
    } catch (const Overflow&) {
        return std::nullopt;
    }
}

QVariant textOrNull(const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); }

int intOf(const QVariant& v, int nullValue = 0) { return v.isNull() ? nullValue : v.toInt(); }

QString refusalText(const QString& table, const QString& owner)
{
    return QStringLiteral("이키값은 이미 ") + table + QStringLiteral("의 (") + owner +
           QStringLiteral(")으로 등록되어있는 키입니다!") + QStringLiteral("\r\n") +
           QStringLiteral(" 키입력을 재시도 하시기바랍니다.");
}

} // namespace

const QStringList& DiscountKindTexts()
{
    static const QStringList kinds{
        QStringLiteral("적용안함"), QStringLiteral("시간할인"), QStringLiteral("금액할인"),
        QStringLiteral("%할인"),    QStringLiteral("전액무료"), QStringLiteral("고정금액"),
    };
    return kinds;
}

const QStringList& FunctionTexts()
{
    static const QStringList functions{
        QStringLiteral("돈통열림"),          QStringLiteral("영수증 재발행"),
        QStringLiteral("분실권"),            QStringLiteral("입구차단기 열림"),
        QStringLiteral("출구차단기 열림"),   QStringLiteral("근무교대(임시)"),
        QStringLiteral("준비금및 중간입출금관리"), QStringLiteral("입차티켓발급"),
        QStringLiteral("입차증발급"),        QStringLiteral("정기권관리"),
        QStringLiteral("일반권 입출차현황"), QStringLiteral("정기권 입출차현황"),
        QStringLiteral("정기권 부정입출현황"), QStringLiteral("요금테이블 설정"),
        QStringLiteral("Comm 포트설정"),     QStringLiteral("키기능 설정"),
        QStringLiteral("근무자및 화면설정"), QStringLiteral("인쇄옵션설정"),
        QStringLiteral("시스템설정 백업"),   QStringLiteral("시스템설정 복구"),
        QStringLiteral("정기권자료 백업"),   QStringLiteral("정기권자료 복구"),
        QStringLiteral("발행기 티켓교환"),   QStringLiteral("발행기 안내문구및 시간설정"),
        QStringLiteral("카드배출"),          QStringLiteral("영업정산"),
        QStringLiteral("시스템종료"),        QStringLiteral("입구차단기 닫힘"),
        QStringLiteral("출구차단기 닫힘"),   QStringLiteral("재활용 주차권 소거"),
    };
    return functions;
}

bool DiscKindTakesRate(int kind) { return kind != 0 && kind != 4; }

QString DiscRowCaption(int row, int kind)
{
    QString unit;
    switch (kind) {
    case 1: unit = QStringLiteral("분"); break;
    case 2: unit = QStringLiteral("원"); break;
    case 3: unit = QStringLiteral("%"); break;
    case 5: unit = QStringLiteral("원"); break; // a fixed amount in won
    default: break;
    }
    const QString n = QString::number(row);
    const int blanks = (row == 1 ? 18 : 20) + (unit.isEmpty() ? 1 : 0);
    return QStringLiteral("할인종류(") + n + QStringLiteral(") :") + QString(24, u' ') + QStringLiteral("적용요율(") + n +
           QStringLiteral(") :") + QString(blanks, u' ') + unit;
}

// ---- reading ----

std::vector<DiscRow> KeyEditor::discRows() const
{
    QSqlQuery q = Query(m_st.Db, QStringLiteral("SELECT 명칭, 키코드1, 키코드2, 키명칭, 할인종류1, 적용요율1, 할인종류2, "
                                                "적용요율2, 사용여부, 중복사용 FROM 할인키 ORDER BY 키코드2, 키코드1"));
    std::vector<DiscRow> rows;
    while (q.next()) {
        DiscRow r;
        r.name = q.value(0).toString();
        r.key = {static_cast<qint16>(intOf(q.value(1))), static_cast<qint16>(intOf(q.value(2)))};
        r.keyText = q.value(3).toString();
        r.kind1 = intOf(q.value(4));
        r.rate1 = intOf(q.value(5));
        r.kind2 = intOf(q.value(6));
        r.rate2 = intOf(q.value(7));
        r.use = ToBool(q.value(8));
        r.coupon = ToBool(q.value(9));
        rows.push_back(r);
    }
    return rows;
}

std::vector<FuncRow> KeyEditor::funcRows() const
{
    QSqlQuery q = Query(m_st.Db, QStringLiteral("SELECT 명칭, 기능코드, 키코드1, 키코드2, 키명칭, 사용여부 FROM 기능키 "
                                                "ORDER BY 키코드2, 키코드1"));
    std::vector<FuncRow> rows;
    while (q.next()) {
        FuncRow r;
        r.name = q.value(0).toString();
        r.function = intOf(q.value(1), -1);
        r.key = {static_cast<qint16>(intOf(q.value(2))), static_cast<qint16>(intOf(q.value(3)))};
        r.keyText = q.value(4).toString();
        r.use = ToBool(q.value(5));
        rows.push_back(r);
    }
    return rows;
}

DiscPanel KeyEditor::loadDiscRow(const DiscRow& row)
{
    DiscPanel p;
    p.name = row.name;
    p.key = row.key;
    p.keyText = row.keyText;
    p.kind1 = std::clamp(row.kind1, 0, 5);
    p.rate1 = QString::number(row.rate1);
    p.kind2 = std::clamp(row.kind2, 0, 5);
    p.rate2 = QString::number(row.rate2);
    p.use = row.use;
    p.coupon = row.coupon;
    m_discLoaded = row.key;
    m_discEditing = true;
    return p;
}

FuncPanel KeyEditor::loadFuncRow(const FuncRow& row)
{
    FuncPanel p;
    p.function = std::clamp(row.function, 0, static_cast<int>(FunctionTexts().size()) - 1);
    p.use = row.use;
    p.keyText = row.keyText;
    p.key = row.key;
    m_funcLoaded = row.key;
    m_funcEditing = true;
    return p;
}

// ---- validation and the one-chord-one-row rule ----

std::optional<KeyFocus> KeyEditor::checkDiscInput(const DiscPanel& p) const
{
    auto fail = [&](const QString& text, KeyFocus focus) {
        m_st.msgs.Msg_Box(text, kInputError);
        return std::optional<KeyFocus>(focus);
    };
    if (p.name.isEmpty()) return fail(QStringLiteral("명칭을 입력하세요!"), KeyFocus::Txt1);
    if (p.keyText.isEmpty()) return fail(QStringLiteral("사용할키를 선택하세요!"), KeyFocus::Command1);
    if (!rateValue(p.rate1)) return fail(QStringLiteral("적용요율(1)란에 숫자를 입력하세요!"), KeyFocus::Txt3);
    if (!rateValue(p.rate2)) return fail(QStringLiteral("적용요율(2)란에 숫자를 입력하세요!"), KeyFocus::Txt4);
    return std::nullopt;
}

std::optional<KeyFocus> KeyEditor::checkFuncInput(const FuncPanel& p) const
{
    if (!p.keyText.isEmpty()) return std::nullopt;
    m_st.msgs.Msg_Box(QStringLiteral("사용할키를 선택하세요!"), kInputError);
    return KeyFocus::Command3;
}

std::optional<QString> KeyEditor::chordOwner(KeyChord key, std::optional<KeyChord> ownDisc,
                                             std::optional<KeyChord> ownFunc) const
{
    struct Lookup {
        const char* table;
        std::optional<KeyChord> own;
    };
    const Lookup lookups[] = {{"할인키", ownDisc}, {"기능키", ownFunc}};
    for (const Lookup& l : lookups) {
        // The edited row keeps its own chord.
        if (l.own && *l.own == key) continue;
        const QString table = QString::fromUtf8(l.table);
        QSqlQuery q = Query(m_st.Db,
                            QStringLiteral("SELECT 키코드1, 키코드2, 명칭 FROM %1 WHERE (키코드1=?) AND (키코드2=?)").arg(Id(table)),
                            {key.code, key.shift});
        if (q.next()) return refusalText(table, q.value(2).toString());
    }
    return std::nullopt;
}

bool KeyEditor::refuseTakenChord(KeyChord key, std::optional<KeyChord> ownDisc, std::optional<KeyChord> ownFunc) const
{
    const auto owner = chordOwner(key, ownDisc, ownFunc);
    if (owner) m_st.msgs.Msg_Box(*owner, kSaveError);
    return owner.has_value();
}

void KeyEditor::saveFailed(const QString& error) const { m_st.msgs.Msg_Box(error, kSaveError); }

// ---- discount panel ----

KeyAction KeyEditor::saveDisc(const DiscPanel& p)
{
    if (const auto focus = checkDiscInput(p)) return {false, *focus};
    const qint32 rate1 = *rateValue(p.rate1);
    const qint32 rate2 = *rateValue(p.rate2);
    try {
        if (!m_discEditing) {
            if (refuseTakenChord(p.key, std::nullopt, std::nullopt)) return {false, KeyFocus::Command1};
            Exec(m_st.Db,
                 QStringLiteral("INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 키명칭, 사용여부, 중복사용, 할인종류1, 적용요율1, "
                                "할인종류2, 적용요율2) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 {textOrNull(p.name), p.key.code, p.key.shift, textOrNull(p.keyText), p.use ? 1 : 0, p.coupon ? 1 : 0,
                  p.kind1, p.kind1 == 0 ? 0 : rate1, p.kind2, p.kind2 == 0 ? 0 : rate2});
        } else {
            if (refuseTakenChord(p.key, m_discLoaded, std::nullopt)) return {false, KeyFocus::Command1};
            Exec(m_st.Db,
                 QStringLiteral("UPDATE 할인키 SET 명칭=?, 키코드1=?, 키코드2=?, 키명칭=?, 사용여부=?, 중복사용=?, 할인종류1=?, "
                                "할인종류2=?, 적용요율1=?, 적용요율2=? WHERE (키코드1=?) AND (키코드2=?)"),
                 {textOrNull(p.name), p.key.code, p.key.shift, textOrNull(p.keyText), p.use ? 1 : 0, p.coupon ? 1 : 0,
                  p.kind1, p.kind2, rate1, rate2, m_discLoaded.code, m_discLoaded.shift});
        }
    } catch (const DbError& e) {
        saveFailed(e.message());
        return {false, KeyFocus::Stay};
    }
    m_discChanged = true;
    clearDisc();
    return {true, KeyFocus::Txt1};
}

KeyAction KeyEditor::deleteDisc(const DiscPanel& p)
{
    if (const auto focus = checkDiscInput(p)) return {false, *focus};
    try {
        Exec(m_st.Db, QStringLiteral("DELETE FROM 할인키 WHERE (키코드1=?) AND (키코드2=?)"),
             {m_discLoaded.code, m_discLoaded.shift});
    } catch (const DbError& e) {
        saveFailed(e.message());
        return {false, KeyFocus::Stay};
    }
    clearDisc();
    return {true, KeyFocus::Txt1};
}

KeyAction KeyEditor::cancelDisc(const DiscPanel& p)
{
    if (const auto focus = checkDiscInput(p)) return {false, *focus};
    clearDisc();
    return {true, KeyFocus::Txt1};
}

void KeyEditor::clearDisc()
{
    m_discLoaded = {};
    m_discEditing = false;
}

// ---- function panel ----

KeyAction KeyEditor::saveFunc(const FuncPanel& p)
{
    if (const auto focus = checkFuncInput(p)) return {false, *focus};
    const QStringList& functions = FunctionTexts();
    const int function = std::clamp(p.function, 0, static_cast<int>(functions.size()) - 1);
    try {
        if (!m_funcEditing) {
            if (refuseTakenChord(p.key, std::nullopt, std::nullopt)) return {false, KeyFocus::Command3};
            Exec(m_st.Db,
                 QStringLiteral("INSERT INTO 기능키 (명칭, 키코드1, 키코드2, 키명칭, 기능코드, 사용여부) VALUES (?, ?, ?, ?, ?, ?)"),
                 {functions[function], p.key.code, p.key.shift, textOrNull(p.keyText), function, p.use ? 1 : 0});
        } else {
            if (refuseTakenChord(p.key, std::nullopt, m_funcLoaded)) return {false, KeyFocus::Command3};
            Exec(m_st.Db,
                 QStringLiteral("UPDATE 기능키 SET 명칭=?, 키코드1=?, 키코드2=?, 키명칭=?, 사용여부=?, 기능코드=? "
                                "WHERE (키코드1=?) AND (키코드2=?)"),
                 {functions[function], p.key.code, p.key.shift, textOrNull(p.keyText), p.use ? 1 : 0, function,
                  m_funcLoaded.code, m_funcLoaded.shift});
        }
    } catch (const DbError& e) {
        saveFailed(e.message());
        return {false, KeyFocus::Stay};
    }
    clearFunc();
    return {true, KeyFocus::Combo3};
}

KeyAction KeyEditor::deleteFunc(const FuncPanel& p)
{
    if (const auto focus = checkFuncInput(p)) return {false, *focus};
    try {
        Exec(m_st.Db, QStringLiteral("DELETE FROM 기능키 WHERE (키코드1=?) AND (키코드2=?)"),
             {m_funcLoaded.code, m_funcLoaded.shift});
    } catch (const DbError& e) {
        saveFailed(e.message());
        return {false, KeyFocus::Stay};
    }
    clearFunc();
    return {true, KeyFocus::Combo3};
}

void KeyEditor::clearFunc()
{
    m_funcLoaded = {};
    m_funcEditing = false;
}

// ---- closing ----

void KeyEditor::exitButton()
{
    if (m_discChanged)
        m_st.msgs.Msg_Box(QStringLiteral("할인키를 수정또는 신규등록을 하면 반드시 영업마감을 수행하시기 바랍니다.") +
                              QStringLiteral("\r\n") + QStringLiteral("(할인현황을 재구성하여 정확한 집계를 하게됩니다)"),
                          QString());
    m_discChanged = false;
}

void KeyEditor::closed()
{
    try {
        Load_DiscountKeys(m_st);
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("Tarvola"));
    }
}

} // namespace tolvo
