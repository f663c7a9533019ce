#include "platform/Vb.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace tolvo {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

// Rounds half to even; throws Overflow unless the result lies in [lo, hi].
double roundInto(double v, double lo, double hi, const char* what)
{
    if (std::isnan(v)) throw Overflow(what);
    const double r = std::nearbyint(v); // the default rounding mode rounds halves to even
    if (r < lo || r > hi) throw Overflow(what);
    return r;
}

// Scans "[sign]digits[.digits][(E|D)[sign]digits]" from pos; returns the end, or -1
// when no digit was found. Blanks inside the number are skipped when skipBlanks.
struct Scan {
    QString number; // the characters of the number, blanks removed, 'D' as 'e'
    qsizetype end = -1;
};

Scan scanNumber(const QString& t, qsizetype pos, bool skipBlanks)
{
    Scan s;
    const auto skip = [&] {
        while (skipBlanks && pos < t.size() && isBlank(t[pos])) ++pos;
    };
    skip();
    if (pos < t.size() && (t[pos] == u'+' || t[pos] == u'-')) {
        s.number += t[pos++];
        skip();
    }
    int digits = 0;
    const auto takeDigits = [&] {
        while (pos < t.size()) {
            if (t[pos] >= u'0' && t[pos] <= u'9') {
                s.number += t[pos++];
                ++digits;
            } else if (skipBlanks && isBlank(t[pos])) {
                ++pos;
            } else {
                break;
            }
        }
    };
    takeDigits();
    if (pos < t.size() && t[pos] == u'.') {
        s.number += u'.';
        ++pos;
        takeDigits();
    }
    if (digits == 0) return s;
    s.end = pos;
    // An exponent counts only when digits follow it.
    if (pos < t.size() && (t[pos] == u'e' || t[pos] == u'E' || t[pos] == u'd' || t[pos] == u'D')) {
        qsizetype p = pos + 1;
        QString exp = QStringLiteral("e");
        if (p < t.size() && (t[p] == u'+' || t[p] == u'-')) exp += t[p++];
        const qsizetype firstDigit = p;
        while (p < t.size() && t[p] >= u'0' && t[p] <= u'9') exp += t[p++];
        if (p > firstDigit) {
            s.number += exp;
            s.end = p;
        }
    }
    return s;
}

double toDouble(const QString& number)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(number, &ok);
    if (ok) return v;
    // Out of the double's range: the C locale reports failure, keep the sign's infinity.
    return number.startsWith(u'-') ? -std::numeric_limits<double>::infinity()
                                   : std::numeric_limits<double>::infinity();
}

QString groupThousands(qint64 v)
{
    const bool negative = v < 0;
    // Work on the unsigned magnitude so the smallest qint64 does not overflow.
    quint64 m = negative ? 0 - static_cast<quint64>(v) : static_cast<quint64>(v);
    QString digits = QString::number(m);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, u',');
    return negative ? u'-' + digits : digits;
}

} // namespace

double Val(const QString& text)
{
    const Scan s = scanNumber(text, 0, true);
    if (s.end < 0) return 0.0;
    return toDouble(s.number);
}

quint8 CByte(double v) { return static_cast<quint8>(roundInto(v, 0, 255, "byte overflow")); }

qint16 CInt(double v) { return static_cast<qint16>(roundInto(v, -32768, 32767, "integer overflow")); }

qint32 CLng(double v)
{
    return static_cast<qint32>(roundInto(v, -2147483648.0, 2147483647.0, "long overflow"));
}

bool IsNumeric(const QString& text)
{
    qsizetype pos = 0;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    const Scan s = scanNumber(text, pos, false);
    if (s.end < 0) return false;
    qsizetype end = s.end;
    while (end < text.size() && isBlank(text[end])) ++end;
    return end == text.size();
}

qint32 CLngText(const QString& text)
{
    if (!IsNumeric(text)) throw std::invalid_argument("type mismatch");
    return CLng(toDouble(scanNumber(text.trimmed(), 0, false).number));
}

QString FormatDate(const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")); }

QString FormatTime(const QTime& t) { return t.toString(QStringLiteral("HH:mm")); }

QString FormatDateTime(const QDateTime& dt) { return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm")); }

QString FormatMoney(qint64 v) { return groupThousands(v); }

QString FormatMoney6(qint64 v) { return groupThousands(v); }

int Weekday(const QDate& d) { return d.dayOfWeek() % 7 + 1; }

} // namespace tolvo
