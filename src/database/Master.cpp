#include "database/Master.h"

#include "database/DBase.h"
#include "database/Schema.h"
#include "core/Sql.h"
#include "platform/Messages.h"
#include "core/Station.h"

#include <QFileInfo>

namespace tolvo {

namespace {

const QString kCR = QString(QChar(13));
const QString kMaster = QStringLiteral("mst");
const QString kBackupErrorTitle = QStringLiteral("데이터 백업오류");
const QString kRestoreErrorTitle = QStringLiteral("데이터 복구오류");

QString NoMasterText()
{
    return QStringLiteral("마스터 화일이 존재하지 않습니다.") + kCR +
           QStringLiteral("프로그램을 종료하고 다시 실행하면 마스터 화일을 생성합니다.");
}

QString LastBackupStamp(const Station& st)
{
    return Scalar(st.Db, QStringLiteral("SELECT 시스템백업기록 FROM 시스템")).toString();
}

QString Stamp(const Station& st, const QString& what)
{
    return st.clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" 에 ") +
           st.worker.WorkerName + QStringLiteral("에 의해 최종적으로 ") + what + QStringLiteral("된 자료입니다.");
}

void WriteStamp(const Station& st, const QString& field, const QString& stamp)
{
    Exec(st.Db, QStringLiteral("UPDATE main.시스템 SET %1 = ?").arg(Id(field)), {stamp});
}

// Replaces every settings table of schema `to` by the rows of schema `from`, with
// explicit column lists, in one transaction; a restore (to "main") writes its
// stamp into the live 시스템 row in the same transaction. A backup's stamp is
// written by the caller once the master copy has committed: the two files do not
// commit as one (the live file keeps a write-ahead log), and a stamp must never
// name a backup the master copy lacks.
void CopySettings(const Station& st, const QString& from, const QString& to, const QString& stampField = {},
                  const QString& stamp = {})
{
    Attachment master(st.Db, DBase::MasterPath(st), kMaster);
    Transaction tx(st.Db);
    for (const QString& t : MasterSettingsTables())
        Exec(st.Db, QStringLiteral("DELETE FROM %1.%2").arg(Id(to), Id(t)));
    for (const QString& t : MasterSettingsTables()) {
        const QString cols = IdList(schema::Fields(t));
        Exec(st.Db, QStringLiteral("INSERT INTO %1.%2 (%3) SELECT %3 FROM %4.%2").arg(Id(to), Id(t), cols, Id(from)));
    }
    if (!stampField.isEmpty()) WriteStamp(st, stampField, stamp);
    tx.commit();
}

// The main screen's arrow with hourglass for the life of the object, then the plain arrow.
class BusyPointer {
public:
    explicit BusyPointer(MainScreen& screen) : m_screen(screen) { m_screen.setMousePointer(Qt::BusyCursor); }
    ~BusyPointer() { m_screen.setMousePointer(Qt::ArrowCursor); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    MainScreen& m_screen;
};

// The restore after its master copy was found: asks, copies and says so. True when restored.
bool AskAndRestore(Station& st)
{
    bool timerStopped = false;
    try {
        const QString question =
            LastBackupStamp(st) + kCR + kCR +
            QStringLiteral("이기능은 현재설정되어 있는 자료가 최근에 백업된 마스터 데이터 베이스의 내용으로 재설정 됩니다.") +
            kCR + kCR + QStringLiteral("따라서 취소할 수 없습니다. 계속 하시겠습니까?");
        if (st.msgs.MsgBox(question, vbOKCancel | vbInformation, QStringLiteral("Tarvola")) != vbOK) return false;
        st.screen.setTimerEnabled(false);
        timerStopped = true;
        CopySettings(st, kMaster, QStringLiteral("main"), QStringLiteral("시스템복구기록"), Stamp(st, QStringLiteral("복구")));
    } catch (const std::exception& e) {
        st.msgs.MsgBox(QStringLiteral("마스터 데이터 베이스에서 복구하지 못했습니다. 아무것도 바뀌지 않았습니다.") + kCR + kCR +
                           QString::fromUtf8(e.what()),
                       vbCritical | vbOKOnly, kRestoreErrorTitle);
        if (timerStopped) st.screen.setTimerEnabled(true);  // the settings are unchanged; the station goes on
        return false;
    }
    st.msgs.MsgBox(QStringLiteral("최근에 백업된 마스터 데이터 베이스의 내용으로 복구되었습니다.") + kCR + kCR +
                       QStringLiteral("프로그램을 종료후 재실행 하십시요!"),
                   vbOKOnly | vbInformation, QStringLiteral("Tarvola"));
    return true;
}

} // namespace

const QStringList& MasterSettingsTables()
{
    static const QStringList tables{
        QStringLiteral("발권기"),     QStringLiteral("리더기"),      QStringLiteral("영수증프린터"),
        QStringLiteral("요금표시기"), QStringLiteral("정기권입구1"), QStringLiteral("정기권출구1"),
        QStringLiteral("정기권입구2"), QStringLiteral("정기권출구2"), QStringLiteral("기능키"),
        QStringLiteral("할인키"),     QStringLiteral("시스템"),      QStringLiteral("근무자관리"),
        QStringLiteral("인쇄옵션"),   QStringLiteral("기타"),        QStringLiteral("요금테이블"),
        QStringLiteral("공휴일")};
    return tables;
}

bool MasterCopyPresent(const Station& st) { return QFileInfo(DBase::MasterPath(st)).isFile(); }

void Backup_ToMaster(Station& st)
{
    if (!MasterCopyPresent(st)) {
        st.msgs.MsgBox(NoMasterText(), vbCritical | vbOKOnly, kBackupErrorTitle);
        return;
    }
    try {
        const QString question = LastBackupStamp(st) + kCR + kCR +
                                 QStringLiteral("현재 셋팅된 자료를 마스터 데이터 베이스에 백업을 하시겠습니까?");
        if (st.msgs.MsgBox(question, vbOKCancel | vbInformation, QStringLiteral("Tarvola")) != vbOK) return;
        CopySettings(st, QStringLiteral("main"), kMaster);
    } catch (const std::exception& e) {
        st.msgs.MsgBox(QStringLiteral("마스터 데이터 베이스에 백업하지 못했습니다. 아무것도 바뀌지 않았습니다.") + kCR + kCR +
                           QString::fromUtf8(e.what()),
                       vbCritical | vbOKOnly, kBackupErrorTitle);
        return;
    }
    try {
        WriteStamp(st, QStringLiteral("시스템백업기록"), Stamp(st, QStringLiteral("백업")));
    } catch (const std::exception& e) {
        st.msgs.MsgBox(QStringLiteral("마스터 데이터 베이스에 백업되었으나 백업 기록을 남기지 못했습니다.") + kCR + kCR +
                           QString::fromUtf8(e.what()),
                       vbCritical | vbOKOnly, kBackupErrorTitle);
        return;
    }
    st.msgs.MsgBox(QStringLiteral("마스터 데이터 베이스에 백업이 완료되었습니다."), vbOKOnly | vbInformation,
                   QStringLiteral("Tarvola"));
}

void Restore_FromMaster(Station& st)
{
    if (!MasterCopyPresent(st)) {
        st.msgs.MsgBox(NoMasterText(), vbCritical | vbOKOnly, kRestoreErrorTitle);
        return;
    }
    bool restored = false;
    {
        const BusyPointer busy(st.screen);
        restored = AskAndRestore(st);
    } // the plain arrow before the close question
    if (restored) st.screen.unload();
}

} // namespace tolvo
