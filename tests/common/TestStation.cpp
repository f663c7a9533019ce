#include "common/TestStation.h"

#include "database/DBase.h"
#include "database/Sql.h"

#include <stdexcept>

namespace tolvo::test {

TestStation::TestStation(Db db, const QDateTime& start) : clock(start), st(clock, msgs, screen)
{
    if (!dir.isValid()) throw std::runtime_error("cannot create a temporary program folder");
    st.AppPath = dir.path();
    st.IniPath = st.AppPath + QStringLiteral("/Tolvo.ini");
    DBase::SetFolders(st);
    if (db == Db::Fresh) OpenFreshDatabase();
}

TestStation::~TestStation() { DBase::DataBase_Close(st); }

void TestStation::OpenFreshDatabase()
{
    DBase::DataBase_Check(st);
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
