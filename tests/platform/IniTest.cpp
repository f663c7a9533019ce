#include "platform/Cp949.h"
#include "platform/Ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace tolvo;

namespace {

const QString kSys = QStringLiteral("시스템");

class IniFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Tolvo.ini"));

    void put(const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray bytes() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString read(const char* key, const char* def) const
    {
        return Read_Ini(path, kSys, QString::fromUtf8(key), QString::fromUtf8(def));
    }
};

} // namespace

TEST_F(IniFile, MissingFileReadsDefaultsAndCreatesNothing)
{
    EXPECT_EQ(read("TransTime", "5"), "5");
    EXPECT_EQ(read("정기권운영", "3"), "3");
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(IniFile, ValueRules)
{
    put("[시스템]\nTransTime=\n자료기록=1  \nLong=0123456789abcdefghijklmnopqrstuvwxyz\nBlank29=0123456789abcdefghijklmnopqr yz\n"
        "Just29=0123456789abcdefghijklmnopqrs\ntranstime2=7\nPauseTime=0.25\n");
    EXPECT_EQ(read("TransTime", "5"), "5");                          // empty value gives the default
    EXPECT_EQ(read("자료기록", "0"), "1");                           // trailing blanks removed
    EXPECT_EQ(read("Long", ""), "0123456789abcdefghijklmnopqrs");    // its first 29 characters
    EXPECT_EQ(read("Blank29", ""), "0123456789abcdefghijklmnopqr");  // cut, then the blank it ends in removed
    EXPECT_EQ(read("Just29", ""), "0123456789abcdefghijklmnopqrs");
    EXPECT_EQ(read("TRANSTIME2", "0"), "7");             // key without case
    EXPECT_EQ(read("PauseTime", "0.5"), "0.25");
    EXPECT_EQ(read("Missing", "dflt"), "dflt");
    EXPECT_EQ(Read_Ini(path, QStringLiteral("기타"), QStringLiteral("PauseTime"), QStringLiteral("x")), "x");
}

TEST_F(IniFile, FirstOfDuplicateKeysWins)
{
    put("[시스템]\nTransTime=2\nTRANSTIME=9\n");
    EXPECT_EQ(read("TransTime", "5"), "2");
    Write_Ini(path, kSys, QStringLiteral("transtime"), QStringLiteral("3"));
    EXPECT_EQ(read("TransTime", "5"), "3");
    EXPECT_FALSE(bytes().contains("9"));
}

TEST_F(IniFile, WriteCreatesTheFileInUtf8)
{
    Write_Ini(path, kSys, QStringLiteral("일반권입차수"), QStringLiteral("12"));
    EXPECT_EQ(QString::fromUtf8(bytes()).trimmed(), QStringLiteral("[시스템]\n일반권입차수=12"));
    EXPECT_EQ(read("일반권입차수", "0"), "12");
}

TEST_F(IniFile, WriteKeepsOtherKeysCommentsAndOrder)
{
    put("; station settings\n[시스템]\n; counters\nA=1\nTransTime=5\nB=2\n\n[ports]\nCom7=/dev/ttyUSB0\n");
    Write_Ini(path, kSys, QStringLiteral("transTIME"), QStringLiteral("9"));
    Write_Ini(path, kSys, QStringLiteral("C"), QStringLiteral("3"));
    const QString text = QString::fromUtf8(bytes());
    EXPECT_TRUE(text.contains(QStringLiteral("; station settings")));
    EXPECT_TRUE(text.contains(QStringLiteral("; counters")));
    const qsizetype a = text.indexOf(QStringLiteral("A=1"));
    const qsizetype t = text.indexOf(QStringLiteral("TransTime=9"));
    const qsizetype b = text.indexOf(QStringLiteral("B=2"));
    const qsizetype c = text.indexOf(QStringLiteral("C=3"));
    const qsizetype ports = text.indexOf(QStringLiteral("[ports]"));
    ASSERT_GE(a, 0);
    EXPECT_LT(a, t);
    EXPECT_LT(t, b);
    EXPECT_LT(b, c);
    EXPECT_LT(c, ports);
    EXPECT_EQ(Read_Ini(path, QStringLiteral("ports"), QStringLiteral("Com7"), {}), "/dev/ttyUSB0");
}

TEST_F(IniFile, Cp949FileIsReadAndWrittenBackInCp949)
{
    put(cp949::encode(QStringLiteral("[시스템]\r\n정기권운영=2\r\n")));
    EXPECT_EQ(read("정기권운영", "3"), "2");
    Write_Ini(path, kSys, QStringLiteral("잔여티켓매수"), QStringLiteral("150"));
    const QByteArray raw = bytes();
    EXPECT_TRUE(raw.startsWith(cp949::encode(QStringLiteral("[시스템]"))));
    EXPECT_TRUE(raw.contains(cp949::encode(QStringLiteral("잔여티켓매수=150\r\n"))));
    EXPECT_TRUE(raw.contains(cp949::encode(QStringLiteral("정기권운영=2\r\n"))));
    EXPECT_FALSE(raw.contains(QStringLiteral("시스템").toUtf8()));
    EXPECT_EQ(read("잔여티켓매수", "0"), "150");
}

TEST_F(IniFile, AFileThatCannotBeReadIsNeitherReadNorReplaced)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Tolvo.ini")));
    EXPECT_EQ(read("TransTime", "5"), "5");
    Write_Ini(path, kSys, QStringLiteral("TransTime"), QStringLiteral("9"));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"Tolvo.ini"}));
}

namespace {
// Limits the size of files this process writes (a full disk), for the lifetime of the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lim = m_old;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};
} // namespace

TEST_F(IniFile, AWriteThatFailsOnAFullDiskKeepsTheOldFile)
{
    const QByteArray old("[시스템]\nTransTime=4\nPauseTime=0.5\n");
    put(old);
    {
        FileSizeLimit full(8);
        Write_Ini(path, kSys, QStringLiteral("TransTime"), QStringLiteral("9"));
    }
    EXPECT_EQ(bytes(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"Tolvo.ini"}));
}

TEST_F(IniFile, ACounterIsWrittenWholeLikeAnyKey)
{
    // Without its own sync, a counter still replaces the file in one step, keeping the rest.
    put("[시스템]\r\nTransTime=5\r\n일반권입차수=7\r\n");
    Write_IniCounter(path, kSys, QStringLiteral("일반권입차수"), QStringLiteral("8"));
    Write_IniCounter(path, kSys, QStringLiteral("정기권입차수"), QStringLiteral("1"));
    EXPECT_EQ(bytes(), QByteArray("[시스템]\r\nTransTime=5\r\n일반권입차수=8\r\n정기권입차수=1\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"Tolvo.ini"}));
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
}

TEST_F(IniFile, SeveralCountersGoInTogetherInTheirOrder)
{
    // An existing key keeps its spelling and place; a new one is added after it; the rest stays.
    put("[시스템]\r\nTransTime=5\r\nCARDENCODING=1\r\n");
    Write_IniCounters(path, kSys, {{QStringLiteral("잔여티켓매수"), QStringLiteral("19")},
                                   {QStringLiteral("CardEncoding"), QStringLiteral("0")},
                                   {QStringLiteral("일반권입차수"), QStringLiteral("8")}});
    EXPECT_EQ(bytes(), QByteArray("[시스템]\r\nTransTime=5\r\nCARDENCODING=0\r\n잔여티켓매수=19\r\n일반권입차수=8\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"Tolvo.ini"}));
}
