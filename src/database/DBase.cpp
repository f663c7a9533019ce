#include "database/DBase.h"

#include "database/Archive.h"
#include "database/FirstRun.h"
#include "database/Schema.h"
#include "core/Sql.h"
#include "platform/Messages.h"
#include "platform/PrivateFiles.h"
#include "platform/SyncPath.h"
#include "core/StatsPeriod.h"
#include "core/Station.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace tolvo::DBase {

namespace {

const QString kCR = QString(QChar(13));
const QString kDbErrorTitle = QStringLiteral("데이터 베이스 오류");

// An existing file in dir whose name equals name without regard to letter case
// (the exact name first); empty when there is none.
QString FindFileNoCase(const QString& dir, const QString& name)
{
    const QString exact = QDir(dir).filePath(name);
    if (QFileInfo(exact).isFile()) return exact;
    const QStringList entries = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0) return QDir(dir).filePath(e);
    return {};
}

// A folder the station keeps its files in; the message names what is wrong with it.
void MakeFolder(const QString& path)
{
    if (!QFileInfo(path).isDir() && !QDir().mkpath(path))
        throw DbError(QStringLiteral("폴더를 만들 수 없습니다: ") + path);
    if (MakePrivate(path)) return;
    throw DbError((FolderWritable(path) ? QStringLiteral("폴더의 권한을 바꿀 수 없습니다: ")
                                        : QStringLiteral("폴더에 쓸 수 없습니다: ")) + path);
}

// Copies a file completely under a temporary name, then renames it into place.
void CopyFileAtomically(const QString& from, const QString& to)
{
    const QString tmp = to + QStringLiteral(".copy.bak");
    QFile::remove(tmp);
    if (!QFile::copy(from, tmp)) throw DbError(QStringLiteral("cannot copy ") + from + QStringLiteral(" to ") + to);
    MakePrivate(tmp); // a copy keeps the mode of its source
    SyncPath(tmp, false);
    if (!AtomicReplace(tmp, to)) {
        QFile::remove(tmp);
        throw DbError(QStringLiteral("cannot rename ") + tmp + QStringLiteral(" to ") + to);
    }
    SyncPath(QFileInfo(to).absolutePath(), true);
}

// The shared connection; the live file in write-ahead-log mode, a file being built
// with the rollback journal (it is renamed into place, so it must be one file).
enum class Journal { Log, Rollback };

void OpenShared(Station& st, const QString& path, Journal journal)
{
    DataBase_Close(st);
    const QString name = UniqueConnectionName(QStringLiteral("tolvo-park"));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    if (!db.open()) {
        const QString err = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw DbError(QStringLiteral("cannot open ") + path + QStringLiteral(": ") + err);
    }
    st.Db = db;
    MakePrivate(path);
    try {
        if (journal == Journal::Log) ApplyLivePragmas(st.Db);
        else ApplyPragmas(st.Db);
    } catch (...) {
        DataBase_Close(st);
        throw;
    }
}

// True when no log or journal lies beside the file: the file alone holds every commit.
bool IsOneFile(const QString& path)
{
    return !QFileInfo::exists(path + QStringLiteral("-wal")) && !QFileInfo::exists(path + QStringLiteral("-journal"));
}

bool IsDamageCode(const QString& nativeCode)
{
    // SQLITE_CORRUPT 11, SQLITE_NOTADB 26 (also with extended bits).
    bool ok = false;
    const int code = nativeCode.toInt(&ok);
    if (!ok) return false;
    const int primary = code & 0xff;
    return primary == 11 || primary == 26;
}

enum class Health { Sound, Damaged, Unreadable };

Health CheckHealth(const QString& path)
{
    if (QFileInfo(path).size() == 0) return Health::Damaged; // no database in it at all
    try {
        ScopedConnection c(path);
        const QVariant r = Scalar(c.db(), QStringLiteral("PRAGMA quick_check"));
        return r.toString() == QLatin1String("ok") ? Health::Sound : Health::Damaged;
    } catch (const DbError& e) {
        return IsDamageCode(e.nativeCode) ? Health::Damaged : Health::Unreadable;
    }
}

CompactResult Repair(Station& st)
{
    const QString master = MasterPath(st);
    if (!QFileInfo(master).isFile()) {
        st.msgs.MsgBox(QStringLiteral("데이터베이스가 치명적인 손상을 입었습니다.") + kCR + kCR +
                           QStringLiteral("마스터 화일이 존재하지 않아 복구할 수 없습니다.") + kCR +
                           QStringLiteral("시스템 관리자에게 문의하세요!"),
                       vbCritical | vbOKOnly, kDbErrorTitle);
        return CompactResult::RepairFailedEnd;
    }
    const QString live = st.DbPath;
    const QString staged = st.DataPath + QStringLiteral("Park.repair.bak");
    const QString aside = live + QStringLiteral(".damaged-") +
                          st.clock.now().toString(QStringLiteral("yyyyMMddHHmmss"));
    QFile::remove(staged);
    bool ok = QFile::copy(master, staged);
    if (ok) {
        MakePrivate(staged);
        SyncPath(staged, false);
        ok = ::rename(QFile::encodeName(live).constData(), QFile::encodeName(aside).constData()) == 0;
        // A journal or log left by the damaged file must not be played back into the copy.
        for (const QString& companion : CompanionFiles(live))
            if (ok && QFileInfo::exists(companion))
                ok = AtomicReplace(companion, aside + companion.mid(live.size()));
        if (ok && !AtomicReplace(staged, live)) {
            ::rename(QFile::encodeName(aside).constData(), QFile::encodeName(live).constData());
            ok = false;
        }
        SyncPath(st.DataPath, true);
    }
    if (!ok) {
        QFile::remove(staged);
        st.msgs.MsgBox(QStringLiteral("데이터베이스가 치명적인 손상을 입었습니다.") + kCR + kCR +
                           QStringLiteral("마스터 화일을 복사할 수 없어 복구하지 못했습니다.") + kCR +
                           QStringLiteral("시스템 관리자에게 문의하세요!"),
                       vbCritical | vbOKOnly, kDbErrorTitle);
        return CompactResult::RepairFailedEnd;
    }
    st.msgs.MsgBox(QStringLiteral("데이터베이스가 치명적인 손상을 입었습니다. 최근에 백업된 자료로 복구를 시도합니다.") +
                       kCR + kCR + QStringLiteral("프로그램이 종료되므로 재실행을 바랍니다."),
                   vbCritical | vbOKOnly, kDbErrorTitle);
    return CompactResult::RepairedEnd;
}

} // namespace

void SetFolders(Station& st)
{
    st.DataPath = st.AppPath + QStringLiteral("/Data/");
    st.ArchiveDir = st.AppPath + QStringLiteral("/Backup/");
    st.ImageDir = st.AppPath + QStringLiteral("/Image/");
}

namespace {
void DeleteFiles(const QString& folder, const QString& pattern)
{
    const QDir dir(folder);
    for (const QString& f : dir.entryList({pattern}, QDir::Files | QDir::Hidden)) QFile::remove(dir.filePath(f));
}
} // namespace

void DeleteLeftoverBak(const Station& st)
{
    DeleteFiles(st.DataPath, QStringLiteral("*.bak"));
    // A first master copy cut short by a kill.
    DeleteFiles(st.AppPath + QStringLiteral("/Master"), QStringLiteral("*.copy.bak"));
}

QString MasterPath(const Station& st)
{
    const QString dir = st.AppPath + QStringLiteral("/Master");
    const QString found = FindFileNoCase(dir, QStringLiteral("Master.mdb"));
    return found.isEmpty() ? dir + QStringLiteral("/Master.mdb") : found;
}

bool AtomicReplace(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

void DataBase_Check(Station& st)
{
    if (st.DataPath.isEmpty()) SetFolders(st);
    MakeFolder(st.DataPath);
    MakeFolder(st.ArchiveDir);
    MakeFolder(st.ImageDir);
    MakeFolder(st.AppPath + QStringLiteral("/Master"));

    const QString found = FindFileNoCase(st.DataPath, QStringLiteral("Park.MDB"));
    st.DbPath = found.isEmpty() ? st.DataPath + QStringLiteral("Park.MDB") : found;
    if (found.isEmpty()) DataBase_Create(st);

    // A damaged live file must not become the master copy the repair relies on.
    const QString master = MasterPath(st);
    // The health check folds a log left by a station that did not end into the file.
    if (!QFileInfo::exists(master) && CheckHealth(st.DbPath) == Health::Sound) {
        if (!IsOneFile(st.DbPath)) throw DbError(QStringLiteral("cannot fold the log into ") + st.DbPath);
        CopyFileAtomically(st.DbPath, master);
    }
}

void DataBase_Create(Station& st)
{
    const QString building = st.DataPath + QStringLiteral("Park.create.bak");
    QFile::remove(building);
    try {
        OpenShared(st, building, Journal::Rollback);
        {
            Transaction tx(st.Db);
            schema::CreateSchema(st.Db);
            st.worker.WorkerName = QStringLiteral("관리자");
            st.worker.WorkerCode = 0;
            Stats_NewPeriod(st);
            WriteFirstRunRows(st);
            tx.commit();
        }
        DataBase_Close(st);
    } catch (...) {
        DataBase_Close(st);
        QFile::remove(building);
        throw;
    }
    SyncPath(building, false);
    if (!AtomicReplace(building, st.DbPath)) {
        QFile::remove(building);
        throw DbError(QStringLiteral("cannot rename ") + building + QStringLiteral(" to ") + st.DbPath);
    }
    SyncPath(st.DataPath, true);
}

CompactResult DataBase_Compact(Station& st, const FileReplacer& replace)
{
    const QString live = st.DbPath;
    const QString bak = st.DataPath + QStringLiteral("Park.bak");
    switch (CheckHealth(live)) {
    case Health::Damaged: return Repair(st);
    case Health::Unreadable: return CompactResult::NotCompacted;
    case Health::Sound: break;
    }
    QFile::remove(bak);
    try {
        ScopedConnection c(live);
        Exec(c.db(), QStringLiteral("VACUUM INTO ?"), {bak});
    } catch (const DbError& e) {
        QFile::remove(bak);
        return IsDamageCode(e.nativeCode) ? Repair(st) : CompactResult::NotCompacted;
    }
    MakePrivate(bak);
    SyncPath(bak, false);
    // A log the engine could not fold back would be played into the new file.
    if (!IsOneFile(live)) {
        QFile::remove(bak);
        return CompactResult::NotCompacted;
    }
    QFile::remove(live + QStringLiteral("-shm"));
    // The live file is never removed first: the rename replaces it in one step.
    if (!replace(bak, live)) {
        QFile::remove(bak);
        return CompactResult::NotCompacted;
    }
    SyncPath(st.DataPath, true);
    return CompactResult::Compacted;
}

void DataBase_Open(Station& st)
{
    if (!QFileInfo(st.DbPath).isFile()) throw DbError(QStringLiteral("database file missing: ") + st.DbPath);
    OpenShared(st, st.DbPath, Journal::Log);
    try {
        Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM sqlite_master"));
    } catch (...) {
        DataBase_Close(st);
        throw;
    }
    // A file from an older station lacks the indexes its per-ticket statements need.
    schema::AddMissingIndexes(st.Db);
}

void DataBase_Close(Station& st)
{
    const QString name = st.Db.connectionName();
    // Closed, the live file is one file again (a plain copy of the folder holds it whole).
    if (st.Db.isOpen()) {
        try {
            FoldIntoOneFile(st.Db);
        } catch (const DbError&) {
            // Left as a log beside the file; the next opening plays it back.
        }
        st.Db.close();
    }
    st.Db = QSqlDatabase();
    if (!name.isEmpty() && QSqlDatabase::contains(name)) QSqlDatabase::removeDatabase(name);
}

std::optional<int> DataBase_Startup(Station& st)
{
    if (st.DataPath.isEmpty()) SetFolders(st);
    const auto fail = [&st](const std::exception& e) {
        st.msgs.MsgBox(QStringLiteral("데이터베이스를 준비할 수 없습니다.") + kCR + kCR + QString::fromUtf8(e.what()),
                       vbCritical | vbOKOnly, kDbErrorTitle);
        return std::optional<int>(1);
    };
    try {
        DeleteLeftoverBak(st);
        DataBase_Check(st);
    } catch (const std::exception& e) {
        return fail(e);
    }
    switch (DataBase_Compact(st)) {
    case CompactResult::RepairedEnd: return 0;
    case CompactResult::RepairFailedEnd: return 1;
    case CompactResult::Compacted:
    case CompactResult::NotCompacted: break;
    }
    try {
        DataBase_Open(st);
    } catch (const std::exception& e) {
        return fail(e);
    }
    st.routines.ArchiveDay = Archive_DayData;  // the main timer's change of day
    return std::nullopt;
}

} // namespace tolvo::DBase
