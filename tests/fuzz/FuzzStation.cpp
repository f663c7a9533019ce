#include "fuzz/FuzzStation.h"

#include "core/Sql.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace tolvo::fuzz {

namespace {

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

} // namespace

FuzzStation::FuzzStation() : ts(), st(ts.st), fake(InstallFakeComm(ts.st))
{
    Exec(st.Db, QStringLiteral("PRAGMA synchronous=OFF"));
}

void FuzzStation::inject(int portIndex, const QByteArray& bytes)
{
    const QString path = QStringLiteral("/dev/fuzz%1").arg(portIndex);
    if (!st.comm->PortOpen(portIndex)) {
        fake.ports->device(path);
        st.comm->openPort(portIndex, path, SerialSettings{});
    }
    fake.ports->device(path).inject(bytes);
    QCoreApplication::processEvents(); // no dispatcher: the bytes wait for the routine
}

FuzzStation& Shared()
{
    App();
    static FuzzStation s;
    return s;
}

void Require(bool holds, const char* what)
{
    if (holds) return;
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

} // namespace tolvo::fuzz
