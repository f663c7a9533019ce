#include "database/ArchiveMarker.h"

#include "database/ArchiveWords.h"
#include "database/DBase.h"
#include "platform/SyncPath.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <unistd.h>

namespace tolvo {

namespace {

QString DayText(const QDate& d) { return d.toString(QStringLiteral("yyyyMMdd")); }

// The marker's check: a digest of all the text before its last line.
QByteArray CheckOf(const QByteArray& body)
{
    return QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex();
}
const QByteArray kCheck = QByteArrayLiteral("check ");

// A block a day: "i20260520.mdb", "j20260520.mdb", "move <number>",
// "rows <i count> <j count>", then one "i <token>" and "j <token>" line a row;
// last, "check <digest>" over all the lines before it.
QByteArray MarkerText(const Marker& marker)
{
    QStringList lines;
    for (const MarkedDay& d : marker) {
        const QStringList& i = d.rows.value(QStringLiteral("i"));
        const QStringList& j = d.rows.value(QStringLiteral("j"));
        lines << QStringLiteral("i%1.mdb").arg(DayText(d.day)) << QStringLiteral("j%1.mdb").arg(DayText(d.day))
              << QStringLiteral("move %1").arg(d.move) << QStringLiteral("rows %1 %2").arg(i.size()).arg(j.size());
        for (const QString& t : i) lines << QStringLiteral("i ") + t;
        for (const QString& t : j) lines << QStringLiteral("j ") + t;
    }
    const QByteArray body = lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    return body + kCheck + CheckOf(body) + '\n';
}

// Reads the lines of one day's block from `at`; false at the first line no run writes.
bool ReadBlock(const QStringList& lines, qsizetype& at, MarkedDay& d)
{
    static const QRegularExpression move(QStringLiteral("^move (\\d{1,10})$"));
    static const QRegularExpression counts(QStringLiteral("^rows (\\d{1,9}) (\\d{1,9})$"));
    static const QRegularExpression row(QStringLiteral("^([ij]) (\\S+)$"));
    const auto next = [&lines, &at]() { return at < lines.size() ? lines[at++] : QString(); };
    if (next() != QStringLiteral("j%1.mdb").arg(DayText(d.day))) return false;
    const QRegularExpressionMatch m = move.match(next());
    const qint64 number = m.captured(1).toLongLong();
    if (!m.hasMatch() || number <= 0 || number > std::numeric_limits<qint32>::max()) return false;
    d.move = qint32(number);
    const QRegularExpressionMatch c = counts.match(next());
    if (!c.hasMatch()) return false;
    for (const QString& letter : {QStringLiteral("i"), QStringLiteral("j")}) {
        const int n = c.captured(letter == QLatin1String("i") ? 1 : 2).toInt();
        QStringList& tokens = d.rows[letter];
        for (int k = 0; k < n; ++k) {
            const QRegularExpressionMatch r = row.match(next());
            if (!r.hasMatch() || r.captured(1) != letter) return false;
            tokens << r.captured(2);
        }
    }
    return true;
}

// The days of a marker whose check matches, block by block; what is wrong with
// them, or "" when each block is whole.
QString ReadDays(const QByteArray& body, Marker& days)
{
    static const QRegularExpression dayLine(QStringLiteral("^i(\\d{8})\\.mdb$"));
    const QStringList lines = QString::fromUtf8(body).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype at = 0; at < lines.size();) {
        const QString line = lines[at++];
        const QDate day = QDate::fromString(dayLine.match(line).captured(1), QStringLiteral("yyyyMMdd"));
        if (!day.isValid() || IsMarked(days, day)) return QStringLiteral("cannot read \"%1\"").arg(line.left(40));
        days.push_back({day, 0, {}});
        if (!ReadBlock(lines, at, days.back())) return QStringLiteral("the block of %1 is not whole").arg(DayText(day));
    }
    return days.empty() ? QStringLiteral("it names no day") : QString();
}

// Writes `text` whole under a temporary name, synced, and renames it over `path`
// with its folder synced: the file holds the old text or the new, never a mix.
// `written` runs once the new text is on the disk, before the rename.
void WriteWhole(const QString& path, const QByteArray& text, const std::function<void()>& written)
{
    const QString tmp = path + QStringLiteral(".part");
    QFile f(tmp);
    const bool ok = f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size() && f.flush() &&
                    ::fsync(f.handle()) == 0;
    const bool full = f.error() == QFileDevice::ResourceError;
    const QString why = f.errorString();
    f.close();
    if (ok && written) written();
    if (!ok || !DBase::AtomicReplace(tmp, path)) {
        QFile::remove(tmp);
        throw DbError(QStringLiteral("cannot write %1: %2").arg(QFileInfo(path).fileName(), why), {},
                      full ? QString::number(kDiskFull) : QString());
    }
    SyncFolder(QFileInfo(path).absolutePath());
}

} // namespace

bool IsMarked(const Marker& marker, const QDate& day)
{
    return std::any_of(marker.begin(), marker.end(), [&day](const MarkedDay& d) { return d.day == day; });
}

QString RowToken(const QSqlQuery& q, int first, int end)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (int i = first; i < end; ++i) {
        const QVariant v = q.value(i);
        if (v.isNull()) {
            h.addData(QByteArrayView("-"));
            continue;
        }
        const QByteArray text = v.toString().toUtf8();
        const QByteArray field = QByteArray::number(text.size()) + ':' + text;
        h.addData(field);
    }
    return QString::fromLatin1(h.result().left(12).toBase64());
}

TokenCounts::TokenCounts(const QStringList& tokens)
{
    for (const QString& t : tokens) add(t);
}

bool TokenCounts::take(const QString& token)
{
    const auto it = m_counts.find(token);
    if (it == m_counts.end() || *it == 0) return false;
    --*it;
    return true;
}

Marker ReadMarker(const QString& path)
{
    if (!QFileInfo::exists(path)) return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw DbError(QStringLiteral("cannot read %1: %2").arg(kMarker, f.errorString()));
    const QByteArray text = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw DbError(QStringLiteral("cannot read %1: %2").arg(kMarker, f.errorString()));
    const qsizetype lastLine = text.endsWith('\n') ? text.lastIndexOf('\n', text.size() - 2) + 1 : -1;
    const QByteArray body = lastLine < 0 ? text : text.left(lastLine);
    if (lastLine < 0 || text.mid(lastLine) != kCheck + CheckOf(body) + '\n')
        throw DamagedMarker(kMarker + QStringLiteral(": its check does not match"));
    Marker days;
    const QString damage = ReadDays(body, days);
    if (!damage.isEmpty()) throw DamagedMarker(kMarker + QStringLiteral(": ") + damage);
    std::sort(days.begin(), days.end(), [](const MarkedDay& a, const MarkedDay& b) { return a.day < b.day; });
    return days;
}

void WriteMarker(const QString& path, const Marker& marker, const std::function<void()>& written)
{
    WriteWhole(path, MarkerText(marker), written);
}

void SyncFolder(const QString& dir)
{
    if (!SyncPath(dir, true))
        throw DbError(QStringLiteral("cannot sync the folder ") + dir, {}, QString::number(kFolderSyncFailed));
}

} // namespace tolvo
