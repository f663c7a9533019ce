#include "station/BackupMenus.h"

#include "database/DBase.h"
#include "database/Master.h"
#include "database/Schema.h"
#include "core/Sql.h"
#include "core/Station.h"

#include <QCursor>
#include <QGuiApplication>

namespace tolvo {

namespace {

const QString kNoMaster = QStringLiteral("마스터 화일이 존재하지 않습니다.") + QChar(13) +
                          QStringLiteral("프로그램을 종료하고 다시 실행하면 마스터 화일을 생성합니다.");
const QString kBackupTitle = QStringLiteral("데이터 백업오류");
const QString kRestoreTitle = QStringLiteral("데이터 복구오류");

// The hourglass pointer for the life of the object (when there is a screen).
class WaitCursor {
public:
    WaitCursor() : m_on(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (m_on) QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    }
    ~WaitCursor()
    {
        if (m_on) QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_on;
};

// The last season-ticket backup's note and two carriage returns.
QString LastBackupNote(const Station& st)
{
    const QVariant v = Scalar(st.Db, QStringLiteral("SELECT 정기권백업기록 FROM 시스템"));
    const QString note = (v.isValid() && !v.isNull()) ? v.toString() : QString();
    return note + QChar(13) + QChar(13);
}

// Replaces the rows of 정기권 in schema `to` by those of schema `from`, every field.
void CopySeasonTickets(const Station& st, const QString& from, const QString& to)
{
    const QStringList fields = schema::Fields(QStringLiteral("정기권"));
    Exec(st.Db, QStringLiteral("DELETE FROM %1.정기권").arg(Id(to)));
    Exec(st.Db, QStringLiteral("INSERT INTO %1.정기권 (%2) SELECT %3 FROM %4.정기권")
                    .arg(Id(to), IdList(fields), IdList(fields), Id(from)));
}

} // namespace

QString CopyStampText(const QDateTime& now, const QString& worker, bool restore)
{
    return now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" 에 ") + worker +
           (restore ? QStringLiteral("에 의해 최종적으로 복구된 자료입니다.")
                    : QStringLiteral("에 의해 최종적으로 백업된 자료입니다."));
}

void SeasonTickets_Backup(Station& st)
{
    if (!MasterCopyPresent(st)) {
        st.msgs.MsgBox(kNoMaster, vbCritical, kBackupTitle);
        return;
    }
    WaitCursor wait;
    const QString question =
        LastBackupNote(st) + QStringLiteral("현재까지 등록된 정기권자료를 마스터 데이터 베이스에 백업을 하시겠습니까?");
    if (st.msgs.MsgBox(question, vbOKCancel | vbInformation, QStringLiteral("Tarvola")) != vbOK) return;
    try {
        Attachment master(st.Db, DBase::MasterPath(st), QStringLiteral("master"));
        Transaction t(st.Db);
        CopySeasonTickets(st, QStringLiteral("main"), QStringLiteral("master"));
        t.commit();
        // The master copy first, then its stamp: the two files do not commit as one.
        Exec(st.Db, QStringLiteral("UPDATE main.시스템 SET 정기권백업기록 = ?"),
             {CopyStampText(st.clock.now(), st.worker.WorkerName, false)});
    } catch (const DbError& e) {
        st.msgs.MsgBox(QStringLiteral("정기권자료를 백업하지 못했습니다.") + QChar(13) + e.message(), vbCritical,
                       kBackupTitle);
        return;
    }
    st.msgs.MsgBox(QStringLiteral("정기권자료가 마스터 데이터 베이스에 백업이 완료되었습니다."), vbInformation,
                   QStringLiteral("Tarvola"));
}

void SeasonTickets_Restore(Station& st)
{
    if (!MasterCopyPresent(st)) {
        st.msgs.MsgBox(kNoMaster, vbCritical, kRestoreTitle);
        return;
    }
    {
        WaitCursor wait;
        const QString question =
            LastBackupNote(st) +
            QStringLiteral("이기능은 현재사용되는 정기권자료가 최근에 백업된 마스터 데이터 베이스의 내용으로 재설정 됩니다.") +
            QChar(13) + QStringLiteral("따라서 취소할 수 없습니다. 계속 하시겠습니까?");
        if (st.msgs.MsgBox(question, vbOKCancel | vbInformation, QStringLiteral("Tarvola")) != vbOK) return;
        st.screen.setTimerEnabled(false);
        try {
            Attachment master(st.Db, DBase::MasterPath(st), QStringLiteral("master"));
            Transaction t(st.Db);
            CopySeasonTickets(st, QStringLiteral("master"), QStringLiteral("main"));
            Exec(st.Db, QStringLiteral("UPDATE main.시스템 SET 정기권복구기록 = ?"),
                 {CopyStampText(st.clock.now(), st.worker.WorkerName, true)});
            t.commit();
        } catch (const DbError& e) {
            st.screen.setTimerEnabled(true);
            st.msgs.MsgBox(QStringLiteral("정기권자료를 복구하지 못했습니다. 현재 자료는 그대로 유지됩니다.") + QChar(13) +
                               e.message(),
                           vbCritical, kRestoreTitle);
            return;
        }
        st.msgs.MsgBox(QStringLiteral("정기권자료가 최근에 백업된 마스터 데이터 베이스의 내용으로 복구되었습니다.") +
                           QChar(13) + QChar(13) + QStringLiteral("프로그램을 종료후 재실행 하십시요!"),
                       vbInformation, QStringLiteral("Tarvola"));
    }
    st.StationBusy = false;
    st.screen.unload();
    // Still running: the worker declined to quit.
    if (st.Db.isValid() && st.Db.isOpen()) st.screen.setTimerEnabled(true);
}

} // namespace tolvo
