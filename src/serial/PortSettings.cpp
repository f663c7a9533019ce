#include "serial/PortSettings.h"

#include "serial/Comm.h"
#include "serial/Trace.h"
#include "database/ModelCodes.h"
#include "core/Sql.h"
#include "core/Station.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QSet>

namespace tolvo {

namespace {

const QString kNotOpen = QStringLiteral("포트를 먼저 정상적으로 Open 한후 테스트 바랍니다");
const QString kTestTitle = QStringLiteral("포트 테스트");
const QString kSeparator = QStringLiteral("-------------------------------------------------");

// The only fields the screen stores; a name from anywhere else never reaches the SQL text.
const QSet<QString>& StoredFields()
{
    static const QSet<QString> f{QStringLiteral("포트번호"), QStringLiteral("Baud"),     QStringLiteral("ParityBit"),
                                 QStringLiteral("DataBit"),  QStringLiteral("StopBit"),  QStringLiteral("사용여부"),
                                 QStringLiteral("Gate제어"), QStringLiteral("PORT"),     QStringLiteral("기기구분"),
                                 QStringLiteral("기기명칭"), QStringLiteral("기종"),     QStringLiteral("기종코드")};
    return f;
}

QVariant StoredValue(const QString& field, const QVariant& v)
{
    if (field == QLatin1String("Baud") || field == QLatin1String("DataBit") || field == QLatin1String("StopBit")) {
        bool ok = false;
        const int n = v.toString().toInt(&ok);
        return ok ? QVariant(n) : QVariant();
    }
    if (field == QStringLiteral("사용여부") || field == QStringLiteral("기기구분")) return v.toBool() ? 1 : 0;
    return v.toString();
}

Row RowOf(const PortFrame& frame, const FrameEdit& e)
{
    Row row;
    for (auto it = e.fields.cbegin(); it != e.fields.cend(); ++it) {
        if (!StoredFields().contains(it.key()) || it.key() == QString::fromUtf8(frame.modelField)) continue;
        const QVariant v = StoredValue(it.key(), it.value());
        if (!v.isNull()) row.emplace_back(it.key(), v);
    }
    if (e.model >= 0 && e.model < frame.models.size())
        row.emplace_back(QString::fromUtf8(frame.modelField), frame.models.at(e.model));
    return row;
}

void StoreRow(Station& st, const QString& table, const Row& row)
{
    if (row.empty()) return;
    if (RowCount(st.Db, table) == 0) {
        Insert(st.Db, table, row);
        return;
    }
    QStringList sets;
    QVariantList values;
    for (const auto& [field, value] : row) {
        sets << Id(field) + QStringLiteral(" = ?");
        values << value;
    }
    Exec(st.Db, QStringLiteral("UPDATE ") + Id(table) + QStringLiteral(" SET ") + sets.join(QStringLiteral(", ")), values);
}

bool UseTicked(const FrameEdit& e) { return e.fields.value(QStringLiteral("사용여부")).toBool(); }

// The two switches follow their lists whether or not a model is chosen.
bool ReaderListPrints(const FrameEdits& edits) { return edits[PortReader].model != 1; } // not "Encoding Only"
bool HostListSendsTime(const FrameEdits& edits) { return edits[PortHost].model == 0; } // "시간수신함"

} // namespace

const std::array<PortFrame, 10>& PortFrames()
{
    static const std::array<PortFrame, 10> frames{{
        {"주차권 발권기", "발권기", 0, "기종", models::DispenserModels(), false},
        {"정기권입구1", "정기권입구1", 1, "기종", models::SeasonReaderModels(), true},
        {"정기권출구1", "정기권출구1", 2, "기종", models::SeasonReaderModels(), true},
        {"정기권입구2", "정기권입구2", 3, "기종", models::SeasonReaderModels(), true},
        {"영수증프린터", "영수증프린터", 4, "기종", models::PrinterModels(), false},
        {"정기권출구2", "정기권출구2", 7, "기종", models::SeasonReaderModels(), true},
        {"주차권 리더기", "리더기", 5, "기종", models::ReaderModels(), false},
        {"요금표시기", "요금표시기", 8, "기종", models::FeeDisplayModels(), false},
        {"호스트", "호스트", 6, "기종", models::HostModels(), false},
        {"요금계산기", "요금계산기", 9, "기종코드", models::PosModels(), false},
    }};
    return frames;
}

std::optional<quint8> GateCodeOfPosition(int position)
{
    if (position < 0 || position > 9) return std::nullopt;
    if (position == 4) return 5;
    if (position == 5) return 4;
    return static_cast<quint8>(position);
}

QString LoopTestStatus(int sent, int successes)
{
    const auto three = [](int n) { return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')); };
    return QStringLiteral("전송횟수 : ") + three(sent) + QStringLiteral(" 성공횟수 : ") + three(successes) +
           QStringLiteral(" 실패횟수 : ") + three(sent - successes);
}

std::array<QVariantMap, 10> ReadPortRows(Station& st)
{
    std::array<QVariantMap, 10> rows;
    for (int k = 0; k < 10; ++k) {
        QSqlQuery q(st.Db);
        if (!q.exec(QStringLiteral("SELECT * FROM ") + Id(QString::fromUtf8(PortFrames()[k].table))) || !q.next())
            continue;
        const QSqlRecord rec = q.record();
        for (int i = 0; i < rec.count(); ++i) rows[k].insert(rec.fieldName(i), q.value(i));
    }
    return rows;
}

void WritePortRows(Station& st, const FrameEdits& edits)
{
    Transaction t(st.Db);
    for (int k = 0; k < 10; ++k)
        StoreRow(st, QString::fromUtf8(PortFrames()[k].table), RowOf(PortFrames()[k], edits[k]));
    t.commit();
}

PortSettingsLogic::PortSettingsLogic(Station& st)
    : m_st(st), m_exitReaderAtOpen(st.models.HasExitReader), m_exitReader(st.models.HasExitReader)
{
}

void PortSettingsLogic::chooseMode(bool exitReader)
{
    m_exitReader = exitReader;
    m_st.models.HasExitReader = exitReader;
}

bool PortSettingsLogic::store(const FrameEdits& edits)
{
    try {
        WritePortRows(m_st, edits);
        return true;
    } catch (const DbError& e) {
        m_st.msgs.Msg_Box(QStringLiteral("포트 설정을 저장하지 못했습니다.") + QChar(13) + e.message());
        return false;
    }
}

void PortSettingsLogic::test(const FrameEdits& edits)
{
    if (m_running) return;
    store(edits);
    Comm::ClosePorts(m_st);
    if (!Comm::PortsInit(m_st)) Comm::ClosePorts(m_st);
    status(m_st.comm ? m_st.comm->StatusText : QString());
}

void PortSettingsLogic::finish(const FrameEdits& edits)
{
    DeviceModels& m = m_st.models;
    m.ReaderCanPrint = ReaderListPrints(edits);
    if (edits[7].model >= 0) m.FeeDispType = static_cast<quint8>(edits[7].model);
    if (edits[0].model >= 0) m.DispenserType = static_cast<quint8>(edits[0].model);
    const bool magnetic = m.DispenserType == 1 || m.DispenserType == 2;
    m_st.screen.setText(QStringLiteral("MnuTDTime"),
                        magnetic ? QStringLiteral("발권기 안내문구 설정") : QStringLiteral("발권기 시간설정"));
    m_st.screen.setMaxLength(QStringLiteral("TNum"), magnetic ? 4 : 16);
    if (edits[9].model >= 0) m.PosCode = static_cast<quint8>(edits[9].model);
    m.HasExitReader = m_exitReader;
    try {
        Exec(m_st.Db, QStringLiteral("UPDATE 시스템 SET 출구판독기 = ?"), {m_exitReader ? 1 : 0});
    } catch (const DbError& e) {
        m_st.msgs.Msg_Box(e.message());
    }
    m.HostSendsTime = HostListSendsTime(edits);
    m_finished = true;
}

void PortSettingsLogic::close(const FrameEdits& edits)
{
    DeviceModels& m = m_st.models;
    // Without "종료" the system table keeps its flag: memory follows it.
    if (!m_finished) m.HasExitReader = m_exitReaderAtOpen;
    store(edits);
    const auto season = [&](quint8& code, int port) {
        if (const auto c = GateCodeOfPosition(edits[port].model)) code = *c;
    };
    season(m.SeasonIn1Type, PortSeasonIn1);
    season(m.SeasonOut1Type, PortSeasonOut1);
    season(m.SeasonIn2Type, PortSeasonIn2);
    season(m.SeasonOut2Type, PortSeasonOut2);
    m.ReaderCanPrint = ReaderListPrints(edits);
    Comm::PortsInit(m_st);
    if (m_st.routines.Load_GateCtl) m_st.routines.Load_GateCtl(m_st);
    m_st.screen.setVisible(QStringLiteral("Connect1"), UseTicked(edits[PortHost]));
    m_st.screen.setVisible(QStringLiteral("Connect2"), UseTicked(edits[PortCalc]) && !m.HasExitReader);
}

void PortSettingsLogic::loopTest(const FrameEdits& edits, int port)
{
    if (m_running || !m_st.comm) return;
    m_running = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_running};

    pointer(true);
    store(edits);
    Comm::ClosePorts(m_st);
    Delay(m_st, 0.1);
    Comm::PortsInit(m_st);
    status(m_st.comm->StatusText);

    int successes = 0;
    for (int i = 1; i <= 100; ++i) {
        m_st.PortTestEcho = false;
        if (!m_st.comm->PortOpen(port)) {
            pointer(false);
            m_st.msgs.Msg_Box(kNotOpen, kTestTitle);
            return;
        }
        m_st.comm->Output(port, PortTestFrame());
        DebugTraceSeparator(m_st, PortHost);
        DebugTraceLine(m_st, PortHost, QStringLiteral("  FeedBack Test 시도   : "));
        const bool echo = WaitUntil(m_st, [this] { return m_st.PortTestEcho; }, m_st.settings.PauseTime);
        if (echo) ++successes;
        DebugTraceSeparator(m_st, PortHost);
        DebugTraceLine(m_st, PortHost,
                       echo ? QStringLiteral("  FeedBack Test 완료   : True") : QStringLiteral("  FeedBack Test 실패   : False"));
        status(LoopTestStatus(i, successes));
        if (!m_st.comm) return; // the program is ending under the test
    }
    pointer(false);
    m_st.msgs.Msg_Box(QStringLiteral("포트 테스트 : 데이터 송수신 성공률 ") + QString::number(successes) + QStringLiteral(" %"),
                      kTestTitle);
}

void PortSettingsLogic::pointer(bool busy)
{
    if (onPointer) onPointer(busy);
}

void PortSettingsLogic::status(const QString& text)
{
    if (onStatus) onStatus(text);
}

} // namespace tolvo
