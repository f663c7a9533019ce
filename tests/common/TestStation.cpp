#include "common/TestStation.h"

#include "database/DBase.h"
#include "core/Sql.h"

#include <QDir>
#include <QFile>

#include <map>
#include <stdexcept>

namespace tolvo::test {

TestStation::TestStation(Db db, const QDateTime& start, const QString& parent)
    : dir(parent.isEmpty() ? QTemporaryDir() : QTemporaryDir(parent + QStringLiteral("/tolvo-XXXXXX"))),
      clock(start), st(clock, msgs, screen)
{
    if (!dir.isValid()) throw std::runtime_error("cannot create a temporary program folder");
    st.AppPath = dir.path();
    st.IniPath = st.AppPath + QStringLiteral("/Tolvo.ini");
    DBase::SetFolders(st);
    if (db == Db::Fresh) OpenFreshDatabase();
}

TestStation::~TestStation() { DBase::DataBase_Close(st); }

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// New databases made by DataBase_Create, by the clock time they were made at. Creating
// one is slow under the sanitizers; a database made at the same moment is the same file.
std::map<qint64, QByteArray>& CreatedDatabases()
{
    static std::map<qint64, QByteArray> cache;
    return cache;
}

} // namespace

void TestStation::OpenFreshDatabase()
{
    const qint64 key = clock.now().toMSecsSinceEpoch();
    const QString live = st.DataPath + QStringLiteral("Park.MDB");
    auto& cache = CreatedDatabases();
    const auto hit = cache.find(key);
    const bool noLiveFile = QDir(st.DataPath).entryList({QStringLiteral("Park.MDB")}, QDir::Files).isEmpty();
    if (hit != cache.end() && noLiveFile) {
        QDir().mkpath(st.DataPath);
        WriteAll(live, hit->second);
        st.worker.WorkerName = QStringLiteral("관리자");  // as the creation leaves it
        st.worker.WorkerCode = 0;
        DBase::DataBase_Check(st);
    } else {
        DBase::DataBase_Check(st);
        if (noLiveFile && st.DbPath == live) cache.emplace(key, ReadAll(live));
    }
    DBase::DataBase_Open(st);
}

void TestStation::CloseDatabase() { DBase::DataBase_Close(st); }

QString TestStation::path(const QString& relative) const { return st.AppPath + QLatin1Char('/') + relative; }

QVariant TestStation::value(const QString& sql, const QVariantList& values) const
{
    return Scalar(st.Db, sql, values);
}

qint64 TestStation::count(const QString& table) const { return RowCount(st.Db, table); }

} // namespace tolvo::test
