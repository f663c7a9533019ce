#pragma once

// A station with the gates attached, fake ports on the dispenser, the four gates,
// the fee display and the host, and the trace switched on for a port nobody traces.

#include "common/TestStation.h"
#include "core/Sql.h"
#include "gates/GatesAttach.h"
#include "serial/FakeComm.h"

#include <QRegularExpression>
#include <QStringList>
#include <initializer_list>

#include <ostream>

// Readable failures for texts (found by argument lookup on QString).
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace tolvo::test {

class GateRig {
public:
    explicit GateRig(const QDateTime& start = QDateTime(QDate(2026, 3, 10), QTime(9, 5, 7)))
        : ts(TestStation::Db::Fresh, start), st(ts.st)
    {
        fake = InstallFakeComm(st);
        AttachGates(st);
        for (int p : {0, 1, 2, 3, 5, 7, 8}) open(p);
        st.comm->DebugOn = true;
        st.comm->DebugDevice = 4;
    }

    static QString path(int port) { return QStringLiteral("/dev/gate%1").arg(port); }
    void open(int port) { st.comm->openPort(port, path(port), SerialSettings{}); }
    void close(int port) { st.comm->closePort(port); }
    FakeDevice& dev(int port) { return fake.ports->device(path(port)); }
    QByteArray written(int port) { return dev(port).written(); }
    // Every port but these received nothing.
    QStringList writesElsewhere(std::initializer_list<int> except)
    {
        QStringList out;
        for (int p : {0, 1, 2, 3, 5, 7, 8}) {
            bool skip = false;
            for (int e : except) skip = skip || e == p;
            if (!skip && !written(p).isEmpty())
                out << QStringLiteral("%1: %2").arg(p).arg(QString::fromLatin1(written(p).toHex(' ')));
        }
        return out;
    }
    void clearWrites()
    {
        for (int p : {0, 1, 2, 3, 5, 7, 8}) dev(p).clearWrites();
    }

    // The trace lines without their time stamps.
    QStringList traceTexts() const
    {
        static const QRegularExpression stamp(QStringLiteral("^\\d*\\.\\d{3}"));
        QStringList out;
        for (QString line : st.comm->trace.text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            out << line.remove(stamp);
        return out;
    }

    TestStation ts;
    Station& st;
    FakeComm fake;
};

inline QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

} // namespace tolvo::test
