#include "core/AnsiText.h"

#include "platform/Cp949.h"
#include "platform/Vb.h"

namespace tolvo {

namespace {

// The kind of the byte at position (1-based) in code-page-949 bytes.
int kindAt(const QByteArray& bytes, int position)
{
    if (position < 1 || position > bytes.size()) return 0;
    int i = 1;
    int kind = 0;
    while (i <= position) {
        if (static_cast<unsigned char>(bytes[i - 1]) >= 0x80) {
            kind = 1;
            i += 2;
        } else {
            kind = 0;
            i += 1;
        }
    }
    if (i - 1 == position && kind == 1) kind = 2;
    return kind;
}

} // namespace

qint16 AnsiLenB(const QString& text) { return CInt(cp949::byteLength(text)); }

qint16 AnsiCharKind(const QString& text, qint16 position)
{
    return static_cast<qint16>(kindAt(cp949::encode(text), position));
}

QString AnsiMidB(const QString& text, qint16 start, qint16 length)
{
    if (text.isEmpty() || start < 1 || length < 1) return {};
    const QByteArray bytes = cp949::encode(text);
    int first = start;
    int last = first + length - 1;
    if (last >= bytes.size()) last = static_cast<int>(bytes.size());

    QByteArray out;
    if (kindAt(bytes, first) == 2) {
        out += ' ';
        ++first;
    }
    bool blankAtEnd = false;
    if (kindAt(bytes, last) == 1) {
        --last;
        blankAtEnd = true;
    }
    if (last >= first) out += bytes.mid(first - 1, last - first + 1);
    if (blankAtEnd) out += ' ';
    return cp949::decode(out);
}

QString RemoveSpaces(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (c != u' ') out += c;
    return out;
}

} // namespace tolvo
