#include "station/MainLoad.h"

#include "core/Sql.h"
#include "platform/Ini.h"
#include "platform/Vb.h"
#include "core/Station.h"
#include "core/WorkerRights.h"

#include <QSqlRecord>

namespace tolvo {

namespace {

const QString kSection = QStringLiteral("시스템");

QStringList Numbered(const QString& base, std::initializer_list<int> indexes)
{
    QStringList out;
    for (int i : indexes) out << base + QLatin1Char('_') + QString::number(i);
    return out;
}

const QString kTotalsSql = QStringLiteral(
    "SELECT MAX(근무자명) AS 근무자, SUM(정기권입차수) AS 정기권입차수합, SUM(정기권출차수) AS 정기권출차수합, "
    "SUM(일반권입차수) AS 일반권입차수합, SUM(일반권출차수) AS 일반권출차수합, SUM(금액) AS 금액합, "
    "SUM(대수) AS 대수합 FROM 시간대별 WHERE 정산여부 = 0");

} // namespace

QColor VbColour(qint32 value)
{
    const quint32 v = static_cast<quint32>(value);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

qint32 VbColourValue(const QColor& c)
{
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

QColor ColourFromText(const QString& text)
{
    try {
        return VbColour(CLng(Val(text)));
    } catch (const Overflow&) {
        return VbColour(CLng(Val(kDefaultColour)));
    }
}

const QStringList& ColourKeys()
{
    static const QStringList keys{
        QStringLiteral("Shape2"), QStringLiteral("Shape3"), QStringLiteral("Shape4"), QStringLiteral("Shape9"),
        QStringLiteral("Shape11"), QStringLiteral("Shape12"), QStringLiteral("Shape13"), QStringLiteral("Shape14"),
        QStringLiteral("POut"), QStringLiteral("LOut"), QStringLiteral("Label1"), QStringLiteral("LblM"),
        QStringLiteral("Label3"), QStringLiteral("List1")};
    return keys;
}

bool IsShapeKey(const QString& key)
{
    return key.startsWith(QStringLiteral("Shape"));
}

QStringList ColourTargets(const QString& key, bool atLoad)
{
    if (IsShapeKey(key)) return {key};
    if (key == QStringLiteral("POut"))
        return atLoad ? Numbered(key, {1, 2, 3, 4, 5, 6, 7}) : Numbered(key, {0, 1, 2, 3, 4, 5, 6, 7});
    if (key == QStringLiteral("LOut")) return Numbered(key, {0, 1, 2, 3, 4, 5, 6});
    if (key == QStringLiteral("Label1"))
        return Numbered(key, {0, 1, 2, 3, 4, 5}) + QStringList{QStringLiteral("WName")} +
               Numbered(QStringLiteral("LCnt"), {0, 1, 2, 4, 7});
    if (key == QStringLiteral("LblM")) return Numbered(key, {0, 3, 4});
    if (key == QStringLiteral("Label3")) return {key, QStringLiteral("LblTDCnt")};
    if (key == QStringLiteral("List1")) return {key};
    return {};
}

std::optional<QString> ColourKeyForDoubleClick(const QString& control)
{
    const QString base = control.section(QLatin1Char('_'), 0, 0);
    for (const char* group : {"Label1", "LblM", "POut", "LOut"})
        if (base == QString::fromUtf8(group)) return base;
    if (control == QStringLiteral("Label3") || control == QStringLiteral("List1")) return control;
    static const QStringList frames{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                                    QStringLiteral("9"), QStringLiteral("11"), QStringLiteral("12"),
                                    QStringLiteral("13"), QStringLiteral("14")};
    if (control.startsWith(QLatin1Char('s')) && frames.contains(control.mid(1)))
        return QStringLiteral("Shape") + control.mid(1);
    return std::nullopt;
}

bool MayChooseColours(const Station& st)
{
    return st.screen.text(QStringLiteral("WName")) == QStringLiteral("관리자");
}

void ApplyColourChoice(Station& st, const QString& key, const QColor& colour)
{
    for (const QString& c : ColourTargets(key, false)) st.screen.setForeColor(c, colour);
    Write_Ini(st.IniPath, kSection, key, QString::number(VbColourValue(colour)));
}

bool AntiPassBackFromText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
    if (IsNumeric(t)) return Val(t) != 0.0;
    return false;
}

void ShowPeriodTotals(Station& st)
{
    const std::optional<QSqlRecord> row = ReadFirstRow(st.Db, kTotalsSql);
    const auto field = [&](const char* name) {
        return row ? row->value(QString::fromUtf8(name)).toString() : QString();
    };
    st.screen.setText(QStringLiteral("WName"), field("근무자"));
    st.screen.setText(QStringLiteral("LCnt_0"), field("일반권입차수합"));
    st.screen.setText(QStringLiteral("LCnt_1"), field("일반권출차수합"));
    st.screen.setText(QStringLiteral("LCnt_2"), field("정기권입차수합"));
    st.screen.setText(QStringLiteral("LCnt_4"), field("정기권출차수합"));
    st.screen.setText(QStringLiteral("LCnt_7"), field("금액합"));
}

void Load_MainCounters(Station& st)
{
    st.screen.refreshTotals();
    st.screen.setText(QStringLiteral("WName"), st.worker.WorkerName);
    for (const QString& key : ColourKeys()) {
        const QColor c = ColourFromText(Read_Ini(st.IniPath, kSection, key, kDefaultColour));
        for (const QString& control : ColourTargets(key, true)) st.screen.setForeColor(control, c);
    }
    st.settings.AntiPassBack =
        AntiPassBackFromText(Read_Ini(st.IniPath, kSection, QStringLiteral("중복카드무효처리"), QStringLiteral("False")));
}

void Load_FormLayout(Station& st)
{
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT * FROM 폼구성"));
    if (q.next()) {
        const QSqlRecord r = q.record();
        const auto on = [&](const char* field) { return ToBool(r.value(QString::fromUtf8(field))); };
        st.screen.setVisible(QStringLiteral("LCnt_0"), on("일반입차수표시"));
        st.screen.setVisible(QStringLiteral("LCnt_1"), on("일반출차수표시"));
        st.screen.setVisible(QStringLiteral("WName"), on("담당자표시"));
        st.screen.setVisible(QStringLiteral("LCnt_7"), on("수입금액표시"));
        st.screen.setVisible(QStringLiteral("PnlTime"), on("시간표시"));
        st.ImageSaveDir = r.value(QStringLiteral("이미지저장폴더")).toString();
    }
    const QVariant day = Scalar(st.Db, QStringLiteral("SELECT 데이터갱신일시 FROM 시스템"));
    st.DataRefreshDate = (day.isValid() && !day.isNull()) ? day.toString() : FormatDate(st.clock.now().date());
}

void Main_FormLoad(Station& st)
{
    st.screen.setText(QStringLiteral("LblTDCnt"), QString::number(st.settings.TicketsLeft));
    Load_MainCounters(st);
    Load_FormLayout(st);
    st.HostPending.fill(true);
    st.screen.setText(QStringLiteral("Fnd"), kFndIdle);
    ShowMakerMenus(st.screen, st.worker.MakerMode);
    const QVariant name = Scalar(st.Db, QStringLiteral("SELECT 상호 FROM 인쇄옵션"));
    st.screen.setText(QStringLiteral("main"), (name.isValid() ? name.toString() : QString()) +
                                                  QStringLiteral(" 주차관리 시스템"));
}

} // namespace tolvo
