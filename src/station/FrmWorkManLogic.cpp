#include "station/FrmWorkManLogic.h"

#include "database/DBase.h"
#include "core/Sql.h"
#include "serial/Comm.h"
#include "widgets/FormMode.h"
#include "station/MainLoad.h"
#include "station/Shutdown.h"
#include "core/Station.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <vector>

namespace tolvo {

namespace {

QVariant textOrNull(const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); }

QString rightField(int i) { return QStringLiteral("권한%1").arg(i + 1); }

// The login takes a password at its sixth character and finds the worker by it alone.
constexpr int kPasswordLength = 6;

struct PasswordHolder {
    QString who;
    QString password;
};

// The administrator first, then the workers present, as the screen shows them.
std::vector<PasswordHolder> passwordHolders(const WorkManData& d)
{
    std::vector<PasswordHolder> out;
    if (d.adminPresent) out.push_back({QStringLiteral("관리자"), d.adminPassword});
    for (size_t i = 0; i < d.workers.size(); ++i) {
        const WorkerEntry& w = d.workers[i];
        if (!w.present) continue;
        out.push_back({w.name.isEmpty() ? QStringLiteral("근무자%1").arg(i + 1) : w.name, w.password});
    }
    return out;
}

} // namespace

std::optional<QString> WorkManPasswordFault(const WorkManData& data)
{
    const std::vector<PasswordHolder> holders = passwordHolders(data);
    for (const PasswordHolder& h : holders)
        if (h.password.size() != kPasswordLength)
            return QStringLiteral("비밀번호는 6자리로 입력하세요 : ") + h.who;
    for (size_t i = 0; i < holders.size(); ++i)
        for (size_t j = i + 1; j < holders.size(); ++j)
            if (holders[i].password == holders[j].password)
                return QStringLiteral("비밀번호가 같습니다 : ") + holders[i].who + QStringLiteral(", ") + holders[j].who +
                       QStringLiteral("\r\n다른 비밀번호를 입력하세요!");
    return std::nullopt;
}

WorkManData LoadWorkMan(const QSqlDatabase& db)
{
    WorkManData d;
    for (int code = 1; code <= 5; ++code) {
        QSqlQuery q = Query(db, QStringLiteral("SELECT * FROM 근무자관리 WHERE 근무자코드 = ?"), {code});
        WorkerEntry& w = d.workers[static_cast<size_t>(code - 1)];
        if (!q.next()) continue;
        const QSqlRecord r = q.record();
        w.present = true;
        w.name = r.value(QStringLiteral("근무자명")).toString();
        w.password = r.value(QStringLiteral("비밀번호")).toString();
        for (int i = 0; i < 6; ++i) w.rights[static_cast<size_t>(i)] = ToBool(r.value(rightField(i)));
    }
    QSqlQuery admin = Query(db, QStringLiteral("SELECT 비밀번호 FROM 근무자관리 WHERE 근무자코드 = 0"));
    if (admin.next()) {
        d.adminPresent = true;
        d.adminPassword = admin.value(0).toString();
    }
    QSqlQuery opts = Query(db, QStringLiteral("SELECT * FROM 폼구성"));
    if (opts.next()) {
        d.optionsPresent = true;
        const QSqlRecord r = opts.record();
        for (const ScreenOptionBox& b : kScreenOptionBoxes)
            d.options[b.index] = ToBool(r.value(QString::fromUtf8(b.field)));
    }
    return d;
}

void SaveWorkMan(const QSqlDatabase& db, const WorkManData& data)
{
    Transaction t(db);
    for (int code = 1; code <= 5; ++code) {
        const WorkerEntry& w = data.workers[static_cast<size_t>(code - 1)];
        if (!w.present) continue;
        QVariantList values{textOrNull(w.name), textOrNull(w.password)};
        for (bool r : w.rights) values << (r ? 1 : 0);
        values << code;
        Exec(db,
             QStringLiteral("UPDATE 근무자관리 SET 근무자명 = ?, 비밀번호 = ?, 권한1 = ?, 권한2 = ?, 권한3 = ?, 권한4 = ?, "
                            "권한5 = ?, 권한6 = ? WHERE 근무자코드 = ?"),
             values);
    }
    if (data.adminPresent)
        Exec(db, QStringLiteral("UPDATE 근무자관리 SET 비밀번호 = ? WHERE 근무자코드 = 0"), {textOrNull(data.adminPassword)});
    if (data.optionsPresent) {
        QStringList sets;
        QVariantList values;
        for (const ScreenOptionBox& b : kScreenOptionBoxes) {
            sets << Id(QString::fromUtf8(b.field)) + QStringLiteral(" = ?");
            const auto it = data.options.find(b.index);
            values << ((it != data.options.end() && it->second) ? 1 : 0);
        }
        Exec(db, QStringLiteral("UPDATE 폼구성 SET ") + sets.join(QStringLiteral(", ")), values);
    }
    t.commit();
}

void WorkMan_AutoRunClicked(const Station& st, bool ticked)
{
    // Failures to write the entry are not reported, as for the registry value.
    if (ticked) SetAutoRun(st);
    else ClearAutoRun();
}

WorkManClose WorkMan_Close(Station& st, const WorkManData& data, bool forcedAtOpening)
{
    if (const auto fault = WorkManPasswordFault(data)) {
        st.msgs.Msg_Box(*fault, QStringLiteral("비밀번호 오류"));
        return WorkManClose::StayOpen; // nothing stored; the fields stay as typed
    }
    try {
        SaveWorkMan(st.Db, data);
    } catch (const DbError& e) {
        st.msgs.Msg_Box(e.message(), QStringLiteral("자료저장 오류"));
        return WorkManClose::StayOpen; // nothing stored: no restart, nothing lost on screen
    }
    const auto it = data.options.find(kForcedModeBox);
    const bool forcedNow = it != data.options.end() && it->second;
    if (data.optionsPresent && forcedNow != forcedAtOpening) {
        st.msgs.MsgBox(kForcedModeNotice, vbInformation, QStringLiteral("Tarvola"));
        MarkCleanEnd(st);
        if (st.comm) Comm::ClosePorts(st);
        DBase::DataBase_Close(st);
        return WorkManClose::Restart;
    }
    try {
        Load_FormLayout(st);
    } catch (const std::exception& e) {
        st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("Tarvola"));
    }
    return WorkManClose::Reload;
}

} // namespace tolvo
