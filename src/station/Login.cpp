#include "station/Login.h"

#include "database/ModelCodes.h"
#include "core/Sql.h"
#include "fee/DiscountKeys.h"
#include "platform/Vb.h"
#include "serial/Comm.h"
#include "core/Station.h"

#include <QSqlRecord>

namespace tolvo {

namespace {

// The first row of a one-row table; an empty record when the table has none.
QSqlRecord FirstRow(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q = Query(db, sql);
    return q.next() ? q.record() : QSqlRecord();
}

QString TextOf(const QSqlRecord& r, const QString& field)
{
    return r.isEmpty() ? QString() : r.value(field).toString();
}

bool BoolOf(const QSqlRecord& r, const QString& field)
{
    return !r.isEmpty() && ToBool(r.value(field));
}

void SetCode(quint8& target, const std::optional<quint8>& code)
{
    if (code) target = *code;
}

} // namespace

std::optional<quint8> FeeDisplayCode(const QString& m) { return models::FeeDisplayCode(m); }
std::optional<quint8> SeasonReaderCode(const QString& m) { return models::SeasonReaderCode(m); }
std::optional<quint8> DispenserCode(const QString& m) { return models::DispenserCode(m); }
std::optional<quint8> PosCodeOf(const QString& m) { return models::PosCode(m); }

int DispenserTNumLength(quint8 code)
{
    return (code == 1 || code == 2) ? 4 : 16;
}

QString DispenserTimeMenuCaption(quint8 code)
{
    return (code == 1 || code == 2) ? QStringLiteral("발권기 안내문구 설정") : QStringLiteral("발권기 시간설정");
}

QString FormatUnitNo(const QVariant& unitNo)
{
    const QString text = unitNo.isNull() ? QString() : unitNo.toString();
    if (text.trimmed().isEmpty()) return QStringLiteral("00"); // no unit number stored
    if (!IsNumeric(text)) return text;
    const double v = Val(text);
    if (v != static_cast<double>(static_cast<qint64>(v)) || v < 0) return text.trimmed();
    return QStringLiteral("%1").arg(static_cast<qint64>(v), 2, 10, QLatin1Char('0'));
}

QString WorkerNameLabel(const QString& name)
{
    return QStringLiteral(" 근무자명:      ") + name;
}

void Load_DeviceModels(Station& st)
{
    DeviceModels& m = st.models;
    SetCode(m.FeeDispType, FeeDisplayCode(TextOf(FirstRow(st.Db, QStringLiteral("SELECT 기종 FROM 요금표시기")), QStringLiteral("기종"))));
    const auto season = [&](const char* table) {
        return SeasonReaderCode(TextOf(FirstRow(st.Db, QStringLiteral("SELECT 기종 FROM ") + Id(QString::fromUtf8(table))),
                                       QStringLiteral("기종")));
    };
    SetCode(m.SeasonIn1Type, season("정기권입구1"));
    SetCode(m.SeasonIn2Type, season("정기권입구2"));
    SetCode(m.SeasonOut1Type, season("정기권출구1"));
    SetCode(m.SeasonOut2Type, season("정기권출구2"));

    const QSqlRecord td = FirstRow(st.Db, QStringLiteral("SELECT 기종, Unit_No FROM 발권기"));
    m.DispenserUnitNo = FormatUnitNo(td.isEmpty() ? QVariant() : td.value(QStringLiteral("Unit_No")));
    if (const auto code = DispenserCode(TextOf(td, QStringLiteral("기종")))) {
        m.DispenserType = *code;
        st.screen.setMaxLength(QStringLiteral("TNum"), DispenserTNumLength(*code));
        st.screen.setText(QStringLiteral("MnuTDTime"), DispenserTimeMenuCaption(*code));
    }
}

LookupView LoginSession::passwordChanged(const QString& text)
{
    m_found.reset();
    if (text.length() != 6) return {};
    return text == kMakerCode ? makerLookup() : ordinaryLookup(text);
}

LookupView LoginSession::makerLookup()
{
    LookupView v;
    const auto admin = FindWorkerByCode(m_st.Db, 0);
    if (!admin) {
        v.outcome = LookupView::Outcome::Wrong;
        v.lblLog = kWrongPassword;
        v.clearBox = true;
        return v;
    }
    m_st.worker.MakerMode = true;
    ShowMakerMenus(m_st.screen, true);
    m_st.worker.WorkerCode = admin->code;
    m_st.worker.WorkerName = admin->name;
    m_found = admin;
    v.outcome = LookupView::Outcome::Found;
    v.lblName = WorkerNameLabel(admin->name);
    v.lblLog = admin->name + QStringLiteral("님께서 로그인 하셨습니다.");
    v.putInBox = admin->password;
    v.okEnabled = true;
    v.focusNext = true;
    return v;
}

LookupView LoginSession::ordinaryLookup(const QString& password)
{
    LookupView v;
    const auto row = FindWorkerByPassword(m_st.Db, password);
    if (!row) {
        v.outcome = LookupView::Outcome::Wrong;
        v.lblLog = kWrongPassword;
        v.clearBox = true;
        return v;
    }
    m_st.worker.WorkerCode = row->code;
    m_st.worker.WorkerName = row->name;
    m_found = row;
    v.outcome = LookupView::Outcome::Found;
    v.lblName = WorkerNameLabel(row->name);
    v.lblLog = row->name + QStringLiteral("님께서 로그인 하셨습니다.");
    v.okEnabled = true;
    v.focusNext = true;
    return v;
}

void LoginSession::startOfWork()
{
    Station& st = m_st;
    // 1-2: the previous run's end, then this run is in progress.
    const QVariant cleanEnd = Scalar(st.Db, QStringLiteral("SELECT 정상적인종료 FROM 시스템"));
    if (cleanEnd.isValid() && !cleanEnd.isNull() && !ToBool(cleanEnd))
        st.msgs.MsgBox(QStringLiteral("프로그램이 정상적으로 종료되지 않았습니다.") + QChar(13) +
                           QStringLiteral("데이터에 손상을 입힐 수 있습니다. 유의바랍니다!"),
                       vbCritical, QStringLiteral("Tarvola"));
    Exec(st.Db, QStringLiteral("UPDATE 시스템 SET 정상적인종료 = ?"), {0});
    // 3
    st.models.HasExitReader = ToBool(Scalar(st.Db, QStringLiteral("SELECT 출구판독기 FROM 시스템")));
    // 4: the worker found by the lookup, read again by its code for fresh rights.
    std::optional<WorkerRow> row = m_found ? FindWorkerByCode(st.Db, m_found->code) : std::nullopt;
    if (!row) row = m_found;
    const QSqlRecord host = FirstRow(st.Db, QStringLiteral("SELECT 사용여부, 기종 FROM 호스트"));
    // 5: a port that fails reports itself; the start goes on.
    if (st.comm) Comm::PortsInit(st);
    // 6
    if (row) {
        st.worker.WorkerCode = row->code;
        st.worker.WorkerName = row->name;
        SetMenuRights(st, row->rights);
    }
    // 7: host lamp and greeting.
    st.screen.setVisible(QStringLiteral("Connect1"), BoolOf(host, QStringLiteral("사용여부")));
    if (st.comm && st.comm->PortOpen(PortHost)) st.comm->Output(PortHost, QByteArray("\x05\x02", 2));
    // 8-10
    Load_DeviceModels(st);
    // 11-12: gate settings and discount keys.
    if (onLoadGateSettings) onLoadGateSettings(st);
    else if (st.routines.Load_GateCtl) st.routines.Load_GateCtl(st);
    Load_DiscountKeys(st);
    // 13
    const QSqlRecord calc = FirstRow(st.Db, QStringLiteral("SELECT 기종코드, 사용여부 FROM 요금계산기"));
    st.models.PosCode = 0;
    SetCode(st.models.PosCode, PosCodeOf(TextOf(calc, QStringLiteral("기종코드"))));
    st.screen.setVisible(QStringLiteral("Connect2"), BoolOf(calc, QStringLiteral("사용여부")) && !st.models.HasExitReader);
    // 14-15
    st.models.HostSendsTime = models::HostSendsTime(TextOf(host, QStringLiteral("기종")));
    st.models.ReaderCanPrint =
        !models::ReaderEncodingOnly(TextOf(FirstRow(st.Db, QStringLiteral("SELECT 기종 FROM 리더기")), QStringLiteral("기종")));
}

LookupView WorkerChange_Lookup(Station& st, const QString& text)
{
    LookupView v;
    if (text.length() != 6) return v;
    const auto row = FindWorkerByPassword(st.Db, text);
    if (!row) {
        v.outcome = LookupView::Outcome::Wrong;
        v.clearBox = true;
        return v;
    }
    v.outcome = LookupView::Outcome::Found;
    v.lblName = WorkerNameLabel(row->name);
    v.lblLog = QStringLiteral(" ") + row->name.trimmed() + QStringLiteral("님께서 로그인 하셨습니다.");
    st.worker.WorkerCode = row->code;
    st.worker.WorkerName = row->name;
    SetMenuRights(st, row->rights);
    v.okEnabled = true;
    v.focusNext = true;
    return v;
}

} // namespace tolvo
