#include "platform/Ini.h"

#include "platform/Cp949.h"
#include "platform/SyncPath.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

// Our own code-page handling: SimpleIni only sees UTF-8 bytes.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvo {

namespace {

// At most this many characters of a value are read (a 30-character buffer with its terminator).
constexpr qsizetype kMaxValueLength = 29;

// The file's text as UTF-8 for SimpleIni, and how to write it back.
struct IniText {
    QByteArray utf8;
    bool cp949 = false; // read as code page 949: write back in it
    bool bom = false;
    bool crlf = false;
};

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(bytes).operator QString();
    return !decoder.hasError();
}

IniText fromFileBytes(QByteArray bytes)
{
    IniText t;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        t.bom = true;
        bytes.remove(0, 3);
    }
    t.crlf = bytes.contains("\r\n");
    if (isValidUtf8(bytes)) {
        t.utf8 = std::move(bytes);
    } else {
        t.cp949 = true;
        t.utf8 = cp949::decode(bytes).toUtf8();
    }
    return t;
}

QByteArray toFileBytes(const IniText& how, const std::string& utf8)
{
    QByteArray out = QByteArray::fromStdString(utf8);
    if (how.crlf) {
        out.replace("\r\n", "\n");
        out.replace("\n", "\r\n");
    }
    if (how.cp949) out = cp949::encode(QString::fromUtf8(out));
    if (how.bom) out.prepend("\xEF\xBB\xBF");
    return out;
}

enum class FileState { Missing, Unreadable, Read };

FileState readIniFile(const QString& path, IniText& text)
{
    QFile f(path);
    if (!f.exists()) return FileState::Missing;
    if (!f.open(QIODevice::ReadOnly)) return FileState::Unreadable;
    text = fromFileBytes(f.readAll());
    return FileState::Read;
}

// Private-profile rules: keys and sections without case, the first of duplicate keys wins,
// "key=value" without blanks around the equals sign.
void configure(CSimpleIniA& ini)
{
    ini.SetUnicode(true);
    ini.SetMultiKey(true);
    ini.SetMultiLine(false);
    ini.SetSpaces(false);
}

bool load(CSimpleIniA& ini, const IniText& text)
{
    configure(ini);
    return ini.LoadData(text.utf8.constData(), static_cast<size_t>(text.utf8.size())) >= 0;
}

QString stripTrailingBlanks(QString s)
{
    qsizetype n = s.size();
    while (n > 0 && (s[n - 1] == u' ' || s[n - 1] == u'\t')) --n;
    s.truncate(n);
    return s;
}

// The stored spelling of a key when the section already has it in another letter case.
std::string existingKeyName(const CSimpleIniA& ini, const std::string& section, const std::string& key)
{
    CSimpleIniA::TNamesDepend keys;
    if (ini.GetAllKeys(section.c_str(), keys)) {
        const CSimpleIniA::Entry::KeyOrder less;
        for (const auto& k : keys)
            if (!less(k, CSimpleIniA::Entry(key.c_str())) && !less(CSimpleIniA::Entry(key.c_str()), k))
                return k.pItem;
    }
    return key;
}

// A temporary file beside the target; removed unless it was renamed over the target.
class TempFile {
public:
    explicit TempFile(const QByteArray& target) : m_path(target + ".XXXXXX")
    {
        m_fd = ::mkstemp(m_path.data());
        m_created = m_fd >= 0;
    }
    ~TempFile()
    {
        if (m_fd >= 0) ::close(m_fd);
        if (m_created && !m_renamed) ::unlink(m_path.constData());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool write(const QByteArray& bytes)
    {
        const char* p = bytes.constData();
        size_t left = static_cast<size_t>(bytes.size());
        while (left > 0) {
            const ssize_t n = ::write(m_fd, p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false; // a full disk shows here, not as success
            p += n;
            left -= static_cast<size_t>(n);
        }
        return true;
    }
    bool setMode(mode_t mode) { return ::fchmod(m_fd, mode) == 0; }
    // Syncs (when asked), closes and renames over the target.
    bool commit(const QByteArray& target, bool sync)
    {
        if (sync && ::fsync(m_fd) != 0) return false;
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) return false;
        if (::rename(m_path.constData(), target.constData()) != 0) return false;
        m_renamed = true;
        // Without its folder synced a power cut can bring the old file back.
        return !sync || SyncPath(QFileInfo(QFile::decodeName(target)).absolutePath(), true);
    }

private:
    QByteArray m_path;
    int m_fd = -1;
    bool m_created = false;
    bool m_renamed = false;
};

// Replaces the file in one step: the old file stays whole whatever fails on the way.
bool replaceFile(const QString& path, const QByteArray& bytes, bool sync)
{
    const QByteArray target = QFile::encodeName(path);
    TempFile tmp(target);
    if (!tmp.isOpen()) return false;
    // Only the station's user may read it, whatever mode a carried-over file had.
    return tmp.setMode(0600) && tmp.write(bytes) && tmp.commit(target, sync);
}

} // namespace

QString Read_Ini(const QString& iniPath, const QString& section, const QString& key, const QString& def)
{
    QString value = def;
    IniText text;
    if (readIniFile(iniPath, text) == FileState::Read) {
        CSimpleIniA ini;
        if (load(ini, text)) {
            const QByteArray s = section.toUtf8();
            const QByteArray k = key.toUtf8();
            if (const char* v = ini.GetValue(s.constData(), k.constData(), nullptr)) value = QString::fromUtf8(v);
        }
    }
    value = stripTrailingBlanks(value.left(kMaxValueLength));
    return value.isEmpty() ? def : value;
}

namespace {

using KeyValues = std::vector<std::pair<QString, QString>>;

void WriteKeys(const QString& iniPath, const QString& section, const KeyValues& keyValues, bool sync)
{
    IniText text;
    const FileState state = readIniFile(iniPath, text);
    // A file that exists but cannot be read is left alone rather than replaced by one key.
    if (state == FileState::Unreadable) return;

    CSimpleIniA ini;
    if (state == FileState::Read) {
        if (!load(ini, text)) return;
    } else {
        configure(ini);
    }

    const std::string s = section.toStdString();
    for (const auto& [key, value] : keyValues) {
        const std::string k = existingKeyName(ini, s, key.toStdString());
        const std::string v = value.toStdString();
        if (ini.SetValue(s.c_str(), k.c_str(), v.c_str(), nullptr, true) < 0) return;
    }

    std::string out;
    if (ini.Save(out, false) < 0) return;

    // A failed write is not reported (the live value stays in memory); the old file stays.
    (void)replaceFile(iniPath, toFileBytes(text, out), sync);
}

} // namespace

void Write_Ini(const QString& iniPath, const QString& section, const QString& key, const QString& value)
{
    WriteKeys(iniPath, section, {{key, value}}, true);
}

void Write_IniCounter(const QString& iniPath, const QString& section, const QString& key, const QString& value)
{
    WriteKeys(iniPath, section, {{key, value}}, false);
}

void Write_IniCounters(const QString& iniPath, const QString& section, const KeyValues& keyValues)
{
    WriteKeys(iniPath, section, keyValues, false);
}

} // namespace tolvo
