#include "serial/ParallelPort.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvo;

namespace {

TEST(LinuxParallelPortTest, AMissingDeviceIsNeverCreated)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lp0");
    auto port = LinuxParallelPortFactory().create();
    EXPECT_FALSE(port->open(path));
    EXPECT_FALSE(QFile::exists(path));
}

TEST(LinuxParallelPortTest, AWriteThatCannotCompleteGivesUpInTime)
{
    QTemporaryDir dir;
    const QByteArray fifo = dir.filePath("printer").toLocal8Bit();
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    // A printer that takes nothing: the reader end stays open but never reads.
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    auto port = LinuxParallelPortFactory().create();
    ASSERT_TRUE(port->open(QString::fromLocal8Bit(fifo)));
    EXPECT_FALSE(port->status().has_value()); // not a parallel port: no status
    EXPECT_TRUE(port->write("short", 200));
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(port->write(QByteArray(4 << 20, 'x'), 200));
    EXPECT_LT(t.elapsed(), 2000);
    port->close();
    ::close(reader);
}

} // namespace
