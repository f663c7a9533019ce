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
    const auto pending = [&run, &removed](qint32 move, const QString& letter) {
        return run.own.contains(move) && !removed.contains({move, letter});
    };
    const QStringList files = dir.entryList({QStringLiteral("*.mdb"), QStringLiteral("*.mdb-journal")}, QDir::Files, QDir::Name);
    const QSet<QString> names(files.begin(), files.end());
    for (const QString& file : files) {
        const QRegularExpressionMatch n = name.match(file);
        if (!n.hasMatch()) continue;
        const ArchivedTable m = TableOfLetter(n.captured(1));
        const QString path = dir.filePath(file);
        // A journal a kill left is rolled back by opening the file (the list
        // screens' read-only connections could not); the header names the move.
        if (!names.contains(file + QStringLiteral("-journal")) && !pending(HeaderHint(path), m.letter)) continue;
        bool read = false;
        try {
            const Attachment arc(run.st.Db, path, kArc);
            const qint32 move = HeaderNote(run.st);
            if (!pending(move, m.letter)) continue;
            read = true;
            if (!RemoveCopied(run, move, m)) continue;
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

void TellUnreadable(Run& run, const std::vector<Unreadable>& unreadable, const Marker& marker, const QDate& runDay)
{
    for (const auto& [path, why, engine] : unreadable) {
        const QFileInfo fi(path);
        const QDate day = QDate::fromString(fi.fileName().mid(1, 8), QStringLiteral("yyyyMMdd"));
        if (day == runDay || IsMarked(marker, day) || !FirstNote(run.st, path)) continue;
        qWarning().noquote() << "archive:" << fi.fileName() << engine;
        const QString panel = QStringLiteral("읽기 실패 (%1)").arg(fi.fileName());
        run.told.push_back({QStringLiteral("백업 파일을 읽을 수 없습니다 (%1): %2").arg(fi.fileName(), why.line),
                            why.panel.isEmpty() ? panel : panel + QStringLiteral(": ") + why.panel});
    }
}

} // namespace tolvo
