#pragma once

#include "common/TestStation.h"
#include "core/Sql.h"
#include "serial/FakeComm.h"

#include <QCoreApplication>
#include <QFile>

namespace tolvo::test {

// Puts a device row in use on a port (and other fields when given).
inline void UseDevice(Station& st, const QString& table, const QString& port, bool use = true, int baud = 9600)
{
    Exec(st.Db, QStringLiteral("UPDATE ") + Id(table) + QStringLiteral(" SET 사용여부 = ?, 포트번호 = ?, Baud = ?"),
         {use, port, baud});
}

inline void WriteIniText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text);
}

inline void ProcessQueued()
{
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

inline QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

} // namespace tolvo::test
