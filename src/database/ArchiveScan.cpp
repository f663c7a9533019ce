#include "database/ArchiveScan.h"

#include "core/Sql.h"
#include "core/Station.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QtDebug>

namespace tolvo {

void RemoveHalfMadeFiles(const Station& st)
{
    QDir dir(st.ArchiveDir);
    const QStringList parts =
        dir.entryList({QStringLiteral("*.part"), QStringLiteral("*.part-journal")}, QDir::Files | QDir::Hidden);
    for (const QString& f : parts) QFile::remove(dir.filePath(f));
}

void FinishCopiedFiles(Run& run, std::vector<Unreadable>& unreadable)
{
    static const QRegularExpression name(QStringLiteral("^([ij])\\d{8}\\.mdb$"));
    const QDir dir(run.st.ArchiveDir);
    const Removals removed = RecordedRemovals(run.st);
    const QStringList files = dir.entryList({QStringLiteral("*.mdb"), QStringLiteral("*.mdb-journal")}, QDir::Files, QDir::Name);
    const QSet<QString> names(files.begin(), files.end());
    for (const QString& file : files) {
        const QRegularExpressionMatch n = name.match(file);
        if (!n.hasMatch()) continue;
        const ArchivedTable m = TableOfLetter(n.captured(1));
        const QString path = dir.filePath(file);
        // A journal a kill left beside a file of this live file's moves is rolled
        // back by opening the file (the list screens' read-only connections could
        // not); the header names the move. Any other file is not opened: a journal
        // beside it is its own station's.
        const std::optional<qint32> hint = OwnHeader(run, path);
        if (!hint) continue;
        if (!names.contains(file + QStringLiteral("-journal")) && removed.contains({*hint, m.letter})) continue;
        bool read = false;
        try {
            const Attachment arc(run.st.Db, path, kArc);
            const qint32 move = HeaderNote(run.st);
            if (!NamedFor(run, move, path) || removed.contains({move, m.letter})) continue;
            read = true;
            if (!RemoveCopied(run, move, m, path)) continue;
            run.written << move;
            run.refresh = true;
        } catch (const std::exception& e) {
            // Once the file is read as this station's, its rows stand in both files
            // until the removal goes through: a failure of the day's work.
            if (read)
                Fail(run, Failure(run.st, m.table.name + QLatin1Char(' '), file, e));
            else
                unreadable.push_back({path, Reason(run.st, e), QString::fromUtf8(e.what())});
        }
    }
}

void TellUnreadable(Run& run, const std::vector<Unreadable>& unreadable, const Marker& marker)
{
    for (const auto& [path, why, engine] : unreadable) {
        const QDate day = QDate::fromString(QFileInfo(path).fileName().mid(1, 8), QStringLiteral("yyyyMMdd"));
        if (!IsMarked(marker, day)) TellCannotRead(run, path, why, engine);
    }
}

} // namespace tolvo
