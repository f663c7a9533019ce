#include "platform/Cp949.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace tolvo::cp949 {

namespace {

// One conversion descriptor, closed when it goes out of scope.
class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("code page 949 is not available");
    }
    ~Iconv() { iconv_close(m_cd); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts all of in; an input sequence it cannot convert is skipped by
    // skipBad(in, left) bytes and replaced by `replacement`.
    template <typename SkipBad>
    QByteArray convert(const QByteArray& in, const QByteArray& replacement, SkipBad skipBad)
    {
        QByteArray out;
        out.reserve(in.size() * 2 + 8);
        char* src = const_cast<char*>(in.constData());
        size_t left = static_cast<size_t>(in.size());
        char buf[256];
        while (left > 0) {
            char* dst = buf;
            size_t room = sizeof buf;
            const size_t rc = iconv(m_cd, &src, &left, &dst, &room);
            out.append(buf, dst - buf);
            if (rc != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a sequence cut at the end): replace and go on.
            const size_t n = std::min(left, skipBad(src, left));
            src += n;
            left -= n;
            out.append(replacement);
        }
        char* dst = buf;
        size_t room = sizeof buf;
        iconv(m_cd, nullptr, nullptr, &dst, &room);
        out.append(buf, dst - buf);
        return out;
    }

private:
    iconv_t m_cd;
};

// Length of the UTF-8 sequence starting at s (1 for a stray byte).
size_t utf8SequenceLength(const char* s, size_t left)
{
    const auto b = static_cast<unsigned char>(s[0]);
    size_t n = 1;
    if (b >= 0xF0) n = 4;
    else if (b >= 0xE0) n = 3;
    else if (b >= 0xC0) n = 2;
    n = std::min(n, left);
    for (size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return i;
    return n;
}

// A lead byte takes its trail byte with it, so a bad pair is one replacement.
size_t cp949SequenceLength(const char* s, size_t left)
{
    return static_cast<unsigned char>(s[0]) >= 0x80 && left >= 2 ? 2 : 1;
}

} // namespace

QByteArray encode(const QString& text)
{
    if (text.isEmpty()) return {};
    Iconv cd("CP949", "UTF-8");
    return cd.convert(text.toUtf8(), QByteArrayLiteral("?"), utf8SequenceLength);
}

QString decode(const QByteArray& bytes)
{
    if (bytes.isEmpty()) return {};
    Iconv cd("UTF-8", "CP949");
    return QString::fromUtf8(cd.convert(bytes, QByteArrayLiteral("\xEF\xBF\xBD"), cp949SequenceLength));
}

int byteLength(const QString& text) { return static_cast<int>(encode(text).size()); }

} // namespace tolvo::cp949
