#include "season/SeasonRegister.h"

#include "core/AnsiText.h"
#include "core/Sql.h"
#include "core/Station.h"
#include "platform/Ini.h"
#include "platform/Vb.h"

#include <QRegularExpression>

namespace tolvo {

namespace {

const QString kDbErrorCaption = QStringLiteral("데이터 베이스 오류");
const QString kCardCaption = QStringLiteral("정기권 카드 발급");
const QString kAllTickets = QStringLiteral("SELECT * FROM 정기권");
constexpr int kPetCard = 4;

// Sets ReaderBusy for the time of a card job, also when a command throws.
class ReaderBusyGuard {
public:
    explicit ReaderBusyGuard(Station& st) : m_st(st) { m_st.ReaderBusy = true; }
    ~ReaderBusyGuard() { m_st.ReaderBusy = false; }
    ReaderBusyGuard(const ReaderBusyGuard&) = delete;
    ReaderBusyGuard& operator=(const ReaderBusyGuard&) = delete;

private:
    Station& m_st;
};

// One reader command; a missing link or a throw counts as a failure.
template <typename F>
bool Attempt(F&& command)
{
    try {
        return command();
    } catch (const std::exception&) {
        return false;
    }
}

QString DigitsOf(const QString& text)
{
    QString d;
    for (const QChar c : text)
        if (c.isDigit()) d += c;
    return d;
}

// yymmdd from a "yyyy-mm-dd" text: characters 3-4, 6-7 and 9-10.
QString ShortDate(const QString& day) { return day.mid(2, 2) + day.mid(5, 2) + day.mid(8, 2); }

} // namespace

int TagLength(int model)
{
    switch (model) {
    case 0: return 6;
    case 1: return 8;
    case 2: return 4;
    case 3: return 5;
    case 4: return 4;
    case 6: return 4;
    case 7: return 8;
    case 8: return 7;
    case 9: return 7;
    default: return 10;
    }
}

QString TagKey(const QString& typed, int tagLength) { return QString(10 - tagLength, QLatin1Char('0')) + typed; }

QString ShownTag(const QString& key, int tagLength) { return key.right(tagLength); }

bool IsStrictDate(const QString& text)
{
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    return shape.match(text).hasMatch() && QDate::fromString(text, QStringLiteral("yyyy-MM-dd")).isValid();
}

QString OneMonthOn(const QDate& today) { return FormatDate(today.addMonths(1)); }

QString FeeShown(const QString& typed)
{
    const QString digits = DigitsOf(typed);
    return digits.isEmpty() ? QString() : FormatMoney(digits.toLongLong());
}

SeasonRegister::SeasonRegister(Station& st) : m_st(st) {}

void SeasonRegister::setTagLengthFromModel() { m_tagLength = TagLength(m_st.models.SeasonIn1Type); }

bool SeasonRegister::Search_Record(JungBoxes& b)
{
    if (b.Txt[1].size() != m_tagLength) return false;
    const QString key = TagKey(b.Txt[1], m_tagLength);
    const RowSet r = ReadRows(m_st.Db, QStringLiteral("SELECT * FROM 정기권 WHERE 정기권번호 = ?"), {key});
    if (r.empty()) return false;
    Loaded_Key = key;
    DataBaseToField(r, b);
    Record_Loaded = true;
    return true;
}

void SeasonRegister::DataBaseToField(const RowSet& r, JungBoxes& b) const
{
    // A Null field shows as empty: keeping the previous ticket's value would
    // carry it into this ticket at the next save.
    b.Txt[1] = ShownTag(r.text(0, QStringLiteral("정기권번호")), m_tagLength);
    for (const JungTextField& f : kJungTextFields)
        b.Txt[static_cast<size_t>(f.box)] = r.text(0, QString::fromUtf8(f.field));
    const QVariant fee = r.value(0, QStringLiteral("월정요금"));
    b.Mask[0] = fee.isNull() ? QString() : FormatMoney(fee.toLongLong());
    b.Mask[1] = r.text(0, QStringLiteral("발급일"));
    b.Mask[2] = r.text(0, QStringLiteral("시작일"));
    b.Mask[3] = r.text(0, QStringLiteral("종료일"));
    b.Lbl1 = r.text(0, QStringLiteral("입차일자")) + QLatin1Char(' ') + r.text(0, QStringLiteral("입차시간"));
    b.Lbl2 = r.text(0, QStringLiteral("출차일자")) + QLatin1Char(' ') + r.text(0, QStringLiteral("출차시간"));
    const QVariant state = r.value(0, QStringLiteral("입출차구분"));
    if (state.isNull()) {
        b.Option2 = 0;
    } else if (const int s = state.toInt(); s >= 0 && s <= 2) {
        b.Option2 = s;
    }
}

void SeasonRegister::Clear_Field(JungBoxes& b) const
{
    for (QString& t : b.Txt) t.clear();
    const QDate today = m_st.clock.now().date();
    b.Mask = {QStringLiteral("0"), FormatDate(today), FormatDate(today), OneMonthOn(today)};
    b.Lbl1.clear();
    b.Lbl2.clear();
    b.Option2 = 0;
}

bool SeasonRegister::Check_Field(const JungBoxes& b) const
{
    if (b.Txt[1].size() != m_tagLength) return false;
    if (b.Txt[2].isEmpty() || b.Txt[3].isEmpty()) return false;
    // More digits than the box takes came from elsewhere (a fee stored before): retyped, not cut.
    if (b.Mask[0].isEmpty() || DigitsOf(b.Mask[0]).size() > kFeeDigits) return false;
    return IsStrictDate(b.Mask[1]) && IsStrictDate(b.Mask[2]) && IsStrictDate(b.Mask[3]);
}

SeasonRegister::SaveResult SeasonRegister::Insert_Record(JungBoxes& b)
{
    const QString key = TagKey(b.Txt[1], m_tagLength);
    Row row{{QStringLiteral("정기권번호"), key}};
    for (const JungTextField& f : kJungTextFields) {
        const QString box = b.Txt[static_cast<size_t>(f.box)];
        const QString text = box.isEmpty() ? QStringLiteral(" ") : box;
        row.emplace_back(QString::fromUtf8(f.field), AnsiMidB(text, 1, static_cast<qint16>(f.width)));
    }
    const QString fee = DigitsOf(b.Mask[0]);
    row.emplace_back(QStringLiteral("월정요금"), fee.isEmpty() ? 0 : CLng(Val(fee)));
    const QString issue = b.Mask[1].isEmpty() ? FormatDate(m_st.clock.now().date()) : b.Mask[1];
    row.emplace_back(QStringLiteral("발급일"), issue);
    row.emplace_back(QStringLiteral("시작일"), b.Mask[2]);
    row.emplace_back(QStringLiteral("종료일"), b.Mask[3]);
    row.emplace_back(QStringLiteral("입출차구분"), b.Option2);

    bool duplicate = false;
    try {
        Transaction t(m_st.Db);
        bool added = true;
        if (Record_Loaded && key == Loaded_Key) {
            QStringList sets;
            QVariantList values;
            for (size_t i = 1; i < row.size(); ++i) {
                sets << Id(row[i].first) + QStringLiteral(" = ?");
                values << row[i].second;
            }
            values << key;
            const QSqlQuery q = Exec(m_st.Db, QStringLiteral("UPDATE 정기권 SET ") + sets.join(QStringLiteral(", ")) +
                                                  QStringLiteral(" WHERE 정기권번호 = ?"),
                                     values);
            // A ticket deleted meanwhile is added again rather than lost.
            added = q.numRowsAffected() == 0;
        } else if (Record_Loaded) {
            Exec(m_st.Db, QStringLiteral("DELETE FROM 정기권 WHERE 정기권번호 = ?"), {Loaded_Key});
        }
        if (added) {
            duplicate = Scalar(m_st.Db, QStringLiteral("SELECT COUNT(*) FROM 정기권 WHERE 정기권번호 = ?"), {key})
                            .toLongLong() > 0;
            if (!duplicate) {
                const QString blank = QStringLiteral(" ");
                row.emplace_back(QStringLiteral("입차수"), 0);
                row.emplace_back(QStringLiteral("출차수"), 0);
                for (const char* f : {"입차일자", "입차시간", "출차일자", "출차시간"})
                    row.emplace_back(QString::fromUtf8(f), blank);
                Insert(m_st.Db, QStringLiteral("정기권"), row);
            }
        }
        if (!duplicate) t.commit(); // a duplicate rolls back: a re-keyed ticket stays under its old key
    } catch (const DbError& e) {
        ShowDbError(e.message());
        return SaveResult::Failed;
    }
    if (duplicate) m_st.msgs.Msg_Box(QStringLiteral("중복된 태그 번호를 허용 하지않습니다."), kDbErrorCaption);
    Clear_Field(b);
    return duplicate ? SaveResult::Duplicate : SaveResult::Saved;
}

SeasonRegister::SaveResult SeasonRegister::Save(JungBoxes& b)
{
    if (!Check_Field(b)) {
        m_st.msgs.Msg_Box(QStringLiteral("중요한 항목을 입력하지 않았습니다."), QStringLiteral("필드 입력 오류"));
        return SaveResult::Refused;
    }
    const bool card = m_st.models.SeasonOut1Type == kPetCard;
    const bool cardWritten = !card || WriteCard(b);
    const SaveResult r = Insert_Record(b);
    if (r != SaveResult::Failed) Record_Loaded = false;
    if (!cardWritten) m_st.msgs.Msg_Box(QStringLiteral("정기권 카드 기록 실패"), kCardCaption);
    return r;
}

bool SeasonRegister::WriteCard(const JungBoxes& b)
{
    const ExitLinks& l = m_st.exitLinks;
    ReaderBusyGuard busy(m_st);
    m_st.msgs.Msg_Box(QStringLiteral("정기권 카드를 삽입하세요."), kCardCaption);
    const QString data = SeasonCardData(b);
    // Every command runs even after a failure, so the card always comes out.
    bool ok = Attempt([&] { return l.readerWrite && l.readerWrite(data); });
    for (const QString& line : SeasonCardLines(b)) {
        ok = Attempt([&] {
                 if (!l.readerPrint90) return false;
                 l.readerPrint90(line);
                 return true;
             }) && ok;
    }
    ok = Attempt([&] {
             if (!l.readerEject) return false;
             l.readerEject();
             return true;
         }) && ok;
    return ok;
}

QString SeasonRegister::SeasonCardData(const JungBoxes& b) const
{
    return QStringLiteral("0004") + b.Txt[1].right(4) + QStringLiteral("1") +
           m_st.clock.now().toString(QStringLiteral("yyMMddHHmm")) + ShortDate(b.Mask[2]) + ShortDate(b.Mask[3]);
}

QStringList SeasonRegister::SeasonCardLines(const JungBoxes& b) const
{
    const QString lead = QChar(0x1F) + QStringLiteral("2      ");
    return {QStringLiteral("23") + lead + QStringLiteral("일련번호 : ") + b.Txt[1].right(4),
            QStringLiteral("24") + lead + QStringLiteral("시작일자 : ") + b.Mask[2],
            QStringLiteral("25") + lead + QStringLiteral("종료일자 : ") + b.Mask[3]};
}

bool SeasonRegister::Delete(JungBoxes& b)
{
    if (!Record_Loaded) return false;
    try {
        Exec(m_st.Db, QStringLiteral("DELETE FROM 정기권 WHERE 정기권번호 = ?"), {Loaded_Key});
    } catch (const DbError& e) {
        ShowDbError(e.message());
        return false;
    }
    Clear_Field(b);
    Record_Loaded = false;
    return true;
}

RowSet SeasonRegister::GridRows() const
{
    return ReadRows(m_st.Db, m_filterSql.isEmpty() ? kAllTickets : m_filterSql, m_filterValues);
}

RowSet SeasonRegister::Search(JungSearch kind, const QString& text)
{
    if (text.isEmpty()) {
        m_filterSql.clear();
        m_filterValues.clear();
        return GridRows();
    }
    const QString like = QStringLiteral(" LIKE ? ESCAPE '\\'");
    const QString esc = LikeEscaped(text);
    switch (kind) {
    case JungSearch::Affiliation:
        m_filterSql = kAllTickets + QStringLiteral(" WHERE 소속") + like;
        m_filterValues = {esc + QLatin1Char('%')};
        break;
    case JungSearch::Vehicle:
        m_filterSql = kAllTickets + QStringLiteral(" WHERE 차량번호") + like;
        m_filterValues = {QLatin1Char('%') + esc + QLatin1Char('%')};
        break;
    case JungSearch::Driver:
        m_filterSql = kAllTickets + QStringLiteral(" WHERE 이름") + like;
        m_filterValues = {esc + QLatin1Char('%')};
        break;
    }
    return GridRows();
}

void SeasonRegister::ShowDbError(const QString& cause) const { m_st.msgs.Msg_Box(cause, kDbErrorCaption); }

void Jung_ResetStates(Station& st) { Exec(st.Db, QStringLiteral("UPDATE 정기권 SET 입출차구분 = 0")); }

bool Jung_SetAllEndDates(Station& st, const QDate& endDate)
{
    const int r = st.msgs.DialogM();
    if (r == 2) {
        st.msgs.Msg_Box(QStringLiteral("관리자 비밀번호가 정확하지 않습니다."), QStringLiteral("비밀번호 오류"));
        return false;
    }
    if (r != 1) return false;
    const QString d = FormatDate(endDate);
    const QString question = QStringLiteral("주의 : 모든 정기권의 종료일을 ") + d + QStringLiteral(" 로 수정합니다.") +
                             QStringLiteral("\r\n") + QStringLiteral("계속 하시 겠습니까?");
    if (!st.msgs.MBox(question, QStringLiteral("정기권 종료일 수정"))) return false;
    Exec(st.Db, QStringLiteral("UPDATE 정기권 SET 종료일 = ?"), {d});
    return true;
}

void Jung_SaveModes(Station& st, const QString& mode, bool antiPassBack)
{
    const QString section = QStringLiteral("시스템");
    if (!mode.isEmpty()) {
        Write_Ini(st.IniPath, section, QStringLiteral("정기권운영"), mode);
        st.settings.SeasonMode = mode;
    }
    st.settings.AntiPassBack = antiPassBack;
    Write_Ini(st.IniPath, section, QStringLiteral("중복카드무효처리"),
              antiPassBack ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
}

} // namespace tolvo
