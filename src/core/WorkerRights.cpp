#include "core/WorkerRights.h"

#include "core/Sql.h"
#include "core/Station.h"

#include <QSqlRecord>

namespace tolvo {

namespace {

const QString kSelectWorker = QStringLiteral(
    "SELECT 근무자코드, 근무자명, 비밀번호, 권한1, 권한2, 권한3, 권한4, 권한5, 권한6 FROM 근무자관리 WHERE ");

std::optional<WorkerRow> FirstWorker(const QSqlDatabase& db, const QString& where, const QVariant& value)
{
    QSqlQuery q = Query(db, kSelectWorker + where, {value});
    if (!q.next()) return std::nullopt;
    WorkerRow w;
    w.code = static_cast<quint8>(q.value(0).toInt());
    w.name = q.value(1).toString();
    w.password = q.value(2).toString();
    for (int i = 0; i < 6; ++i) w.rights[i] = ToBool(q.value(3 + i));
    return w;
}

} // namespace

std::optional<WorkerRow> FindWorkerByPassword(const QSqlDatabase& db, const QString& password)
{
    return FirstWorker(db, QStringLiteral("비밀번호 = ?"), password);
}

std::optional<WorkerRow> FindWorkerByName(const QSqlDatabase& db, const QString& name)
{
    return FirstWorker(db, QStringLiteral("근무자명 = ?"), name);
}

std::optional<WorkerRow> FindWorkerByCode(const QSqlDatabase& db, int code)
{
    return FirstWorker(db, QStringLiteral("근무자코드 = ?"), code);
}

void SetMenuRights(Station& st, const std::array<bool, 6>& rights)
{
    for (const RightsItem& item : kRightsItems)
        st.screen.setEnabled(QString::fromUtf8(item.menu), rights[item.right - 1]);
    st.worker.Rights = rights;
}

void Apply_WorkerRights(Station& st, bool enable)
{
    if (!enable) {
        for (const RightsItem& item : kRightsItems) st.screen.setEnabled(QString::fromUtf8(item.menu), false);
        return;
    }
    const auto row = FindWorkerByName(st.Db, st.worker.WorkerName);
    SetMenuRights(st, row ? row->rights : st.worker.Rights);
}

void ShowMakerMenus(MainScreen& screen, bool maker)
{
    for (const char* menu : {"Mnu_Td", "Mnu_Debug"}) {
        screen.setVisible(QString::fromUtf8(menu), maker);
        screen.setEnabled(QString::fromUtf8(menu), maker);
    }
}

} // namespace tolvo
