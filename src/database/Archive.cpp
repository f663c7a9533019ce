// The runs of the daily archive: a start's resume and a night's move of its day,
// each day's pruning and reset, and the marker kept as the moves go.

#include "database/Archive.h"

#include "database/ArchiveMarker.h"
#include "database/ArchiveMove.h"
#include "database/ArchiveScan.h"
#include "database/ArchiveWords.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "platform/Vb.h"
#include "core/Station.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtDebug>

#include <algorithm>

namespace tolvo {

namespace {

const QString kSection = QStringLiteral("시스템");

QString DayText(const QDate& d) { return d.toString(QStringLiteral("yyyyMMdd")); }

QString MarkerPath(const Station& st) { return st.ArchiveDir + kMarker; }

// `watch` is told Marking once the new text is on the disk, before it takes the old one's place.
void WriteMarker(const Run& run, const Marker& marker)
{
    WriteMarker(MarkerPath(run.st), marker, [&run] { Tell(run.watch, ArchiveStep::Marking); });
}

// The live rows a run has just listed for its own day, so its move need not find
// them again; never in the marker.
using ListedNow = QHash<QString, QList<qint64>>;

void Report(Station& st, const Told& told)
{
    st.screen.appendList1(told.line);
    st.screen.setText(QStringLiteral("PnlMsg"), told.panel);
}

// True when a move still relies on the archive file: its day is marked, or its
// header names one of this live file's moves of that day whose removal had not
// committed as the run began, unless that move made the file and never copied into
// it (cut short, then no longer marked: its rows go with a later night). Another
// station's file, or the station's own from before its live file was made anew or
// repaired, is relied on by none.
bool InUse(const Run& run, const Marker& marker, const QString& path, const QString& letter, const QDate& day)
{
    if (IsMarked(marker, day)) return true;
    const std::optional<qint32> move = OwnHeader(run, path);
    if (!move) return false;
    if (run.written.contains(*move)) return true;
    return !RemovalCommitted(run.st, *move, letter) && !LeftEmptyBy(run, *move, path);
}

// Removes the pair of archive files of `day`, each unless a move relies on it, with
// a journal left beside it, the folder synced so a power cut does not bring them
// back. The removal records of their moves stay: a few rows a day, and no new move
// draws their numbers.
void RemoveOldPair(const Run& run, const Marker& marker, const QDate& day)
{
    bool removed = false;
    for (const QString& letter : {QStringLiteral("i"), QStringLiteral("j")}) {
        const QString path = ArchivePath(run.st, letter, day);
        if (!QFileInfo(path).isFile()) continue;
        if (InUse(run, marker, path, letter, day)) {
            qWarning().noquote() << "archive: kept" << path << "- a move still relies on it";
            continue;
        }
        // The journal first: left alone, it would be played into a file made later under that name.
        const QString journal = path + QStringLiteral("-journal");
        if (QFileInfo::exists(journal) && !QFile::remove(journal)) throw DbError(QStringLiteral("cannot remove ") + journal);
        if (!QFile::remove(path)) throw DbError(QStringLiteral("cannot remove ") + path);
        removed = true;
    }
    if (removed) SyncFolder(run.st.ArchiveDir);
}

// Steps after the moves; throws on any failure (the caller then goes on to the refresh).
// Returns false when 시스템 has no row (nothing more is done, not even the refresh).
bool PruneAndReset(Run& run, const Marker& marker, const QDate& today)
{
    Station& st = run.st;
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT 자료보관기간 FROM 시스템"));
    if (!q.next()) return false;
    const QVariant months = q.value(0);
    q.finish();
    if (months.isNull()) throw DbError(QStringLiteral("자료보관기간 is empty"));
    const int n = std::max(1, static_cast<int>(CInt(months.toDouble())));

    const QDate statsEdge = today.addMonths(-n);  // clamps to the month's last day
    // Rows the host has still to receive stay until they are sent.
    Exec(st.Db, QStringLiteral("DELETE FROM 시간대별 WHERE (정산여부 = 1) AND (종료일시 <= ?) "
                               "AND ((전송여부 <> 0) OR (데이터유무 = 0))"),
         {FormatDate(statsEdge) + QStringLiteral(" 23:59")});

    const int k = CInt(Val(Read_Ini(st.IniPath, kSection, QStringLiteral("취소자료보관"), QStringLiteral("0"))));
    if (st.settings.KeepRecords)
        Exec(st.Db, QStringLiteral("DELETE FROM 출차취소 WHERE (종료일시 <= ?) AND (전송여부 <> 0)"),
             {FormatDate(today.addDays(-k)) + QStringLiteral(" 23:59")});

    // The pair written on the day that has just left the retention.
    RemoveOldPair(run, marker, statsEdge.addDays(-1));

    Write_Ini(st.IniPath, kSection, QStringLiteral("분실권번호"), QStringLiteral("9000"));
    return true;
}

// Rewrites the marker as it now stands, or removes it once no day is left, its
// folder synced either way.
void SaveMarker(const Run& run, const Marker& marker)
{
    try {
        if (!marker.empty()) {
            WriteMarker(run, marker);
        } else {
            if (!QFile::remove(MarkerPath(run.st))) throw DbError(QStringLiteral("cannot remove ") + kMarker);
            SyncFolder(run.st.ArchiveDir);
        }
    } catch (const std::exception& e) {
        throw Failure(run.st, QString(), kMarker, e);
    }
}

void Unmark(const Run& run, Marker& marker, const QDate& day)
{
    marker.erase(std::find_if(marker.begin(), marker.end(), [&day](const MarkedDay& x) { return x.day == day; }));
    SaveMarker(run, marker);
    Tell(run.watch, ArchiveStep::Unmarked);
}

// A marked day's move, from wherever it stands: each table moved, then the day's
// pruning and reset as of the day after, then the day taken off the marker. A day
// whose general file this move did not make counts as archived already: nothing
// moves, nothing is pruned, and its rows go with a later night's files; a season
// file it did not make leaves the day's passages live the same way. While that day
// after is later than the clock's today (a clock set back), the day stays marked
// with nothing left to move, and its pruning and reset wait for a start or run
// whose clock reaches it. Safe to run again from any step. Throws DbError; the day
// then stays marked.
void FinishMove(Run& run, Marker& marker, const MarkedDay& d, const ListedNow* now)
{
    const auto listed = [now](const QString& letter) -> const QList<qint64>* {
        const auto it = now ? now->constFind(letter) : ListedNow::const_iterator();
        return now && it != now->constEnd() ? &*it : nullptr;
    };
    if (!MoveTable(run, d, Ilban(), listed(QStringLiteral("i")))) {
        Unmark(run, marker, d.day);
        return;
    }
    MoveTable(run, d, Jung(), listed(QStringLiteral("j")));
    const auto it = std::find_if(marker.begin(), marker.end(), [&d](const MarkedDay& x) { return x.day == d.day; });
    const QDate asOf = d.day.addDays(1);
    if (asOf > run.st.clock.now().date()) {
        if (!it->rows.value(QStringLiteral("i")).isEmpty() || !it->rows.value(QStringLiteral("j")).isEmpty()) {
            it->rows.clear();
            SaveMarker(run, marker);
        }
        Tell(run.watch, ArchiveStep::Pruned);
        run.refresh = true;
        return;
    }
    try {
        run.refresh = PruneAndReset(run, marker, asOf) || run.refresh;
    } catch (const std::exception& e) {
        // The day's rows are archived; what is left of its pruning waits for no one:
        // the next day's run prunes with its own dates.
        qWarning().noquote() << "archive: pruning of" << DayText(d.day) << "stopped:" << e.what();
        run.refresh = true;
    }
    Tell(run.watch, ArchiveStep::Pruned);
    Unmark(run, marker, d.day);
}

// A number no move of this live file or in the marker holds.
qint32 NewMoveNumber(const Run& run, const Marker& marker)
{
    QSet<qint32> taken(run.own.keyBegin(), run.own.keyEnd());
    for (const auto& removal : RecordedRemovals(run.st)) taken << removal.first;
    for (const MarkedDay& d : marker) taken << d.move;
    qint32 n = 0;
    do n = qint32(QRandomGenerator::system()->bounded(1u << 30, 1u << 31));
    while (taken.contains(n));
    return n;
}

// A damaged marker is renamed aside, whole, its folder synced. Nothing on it is
// trusted: what was copied has left the live file already (FinishCopiedFiles), and
// the rows not copied are still live and go with the next day's run.
void SetAside(Run& run)
{
    const QString stamp = run.st.clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = kMarker + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(run.st.ArchiveDir + aside); ++n)
        aside = kMarker + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(MarkerPath(run.st), run.st.ArchiveDir + aside))
        throw DbError(QStringLiteral("cannot rename %1 to %2").arg(kMarker, aside));
    SyncFolder(run.st.ArchiveDir);
    run.told.push_back({QStringLiteral("자료 백업 표시 파일이 손상되어 %1 이름으로 따로 보관했습니다. "
                                       "아직 옮기지 않은 자료는 다음 날의 백업 파일에 보관됩니다.")
                            .arg(aside),
                        QStringLiteral("백업 표시 파일 손상: 따로 보관함")});
}

// The marked days, a damaged marker set aside. A marked move this live file did not
// record as its own (a marker left beside a live file made anew) is dropped: no file
// of it can be this file's, and its rows still live go with a later night.
Marker ReadOwnMarker(Run& run)
{
    Marker marker;
    try {
        marker = ReadMarker(MarkerPath(run.st));
        const auto foreign = [&run](const MarkedDay& d) { return !run.own.contains(d.move); };
        if (std::any_of(marker.begin(), marker.end(), foreign)) {
            qWarning().noquote() << "archive: a marked move is not this live file's; dropped from" << kMarker;
            marker.erase(std::remove_if(marker.begin(), marker.end(), foreign), marker.end());
            SaveMarker(run, marker);
        }
    } catch (const DamagedMarker& damaged) {
        qWarning().noquote() << "archive:" << damaged.what();
        try {
            SetAside(run);
        } catch (const std::exception& e) {
            throw Failure(run.st, QString(), kMarker, e);
        }
    } catch (const std::exception& e) {
        throw Failure(run.st, QString(), kMarker, e);
    }
    return marker;
}

// Finishes what a crash or a failure cut short: first the copies every file of
// this live file's moves committed, then every marked day, oldest first, each on
// its own (a day that fails again stays marked, told, and the later ones still go).
// Returns the marker as it is left. Throws when the live file's records or the
// marker cannot be read, or the marker cannot be set aside.
Marker ResumeMarked(Run& run)
{
    RemoveHalfMadeFiles(run.st);
    run.own = OwnMoves(run.st);
    std::vector<Unreadable> unreadable;
    FinishCopiedFiles(run, unreadable);
    Marker marker = ReadOwnMarker(run);
    TellUnreadable(run, unreadable, marker);
    const Marker days = marker;
    for (const MarkedDay& d : days) {
        try {
            FinishMove(run, marker, d, nullptr);
        } catch (const std::exception& e) {
            Fail(run, e);
        }
    }
    return marker;
}

// Lists the day's finished rows, records the move as this live file's own, marks
// it, and moves it.
void MoveNewDay(Run& run, Marker& marker, const QDate& day)
{
    MarkedDay d{day, NewMoveNumber(run, marker), {}};
    RecordOwnMove(run, d.move, day);
    ListedNow now;
    for (const ArchivedTable& m : {Ilban(), Jung()}) {
        LiveRows rows = UnlistedLive(run.st, m, marker);
        d.rows[m.letter] = std::move(rows.tokens);
        now[m.letter] = std::move(rows.rowids);
    }
    marker.push_back(d);
    try {
        WriteMarker(run, marker);
    } catch (const std::exception& e) {
        throw Failure(run.st, QString(), kMarker, e);
    }
    Tell(run.watch, ArchiveStep::Marked);
    FinishMove(run, marker, d, &now);
}

// Shows what the run told and refreshes the totals when rows moved.
bool Finish(Run& run)
{
    if (run.refresh) run.st.screen.refreshTotals();
    for (const Told& told : run.told) Report(run.st, told);
    return !run.failed;
}

} // namespace

QString IlbanArchivePath(const Station& st, const QDate& day) { return ArchivePath(st, QStringLiteral("i"), day); }

QString JungArchivePath(const Station& st, const QDate& day) { return ArchivePath(st, QStringLiteral("j"), day); }

bool Archive_Resume(Station& st)
{
    Run run{st, {}};
    try {
        ResumeMarked(run);
    } catch (const std::exception& e) {
        Fail(run, e);
    }
    return Finish(run);
}

bool Archive_DayData(Station& st) { return Archive_DayDataSteps(st, {}); }

bool Archive_DayDataSteps(Station& st, const ArchiveWatch& watch)
{
    const QDate day = st.clock.now().date().addDays(-1);
    Run run{st, watch};
    try {
        Marker marker = ResumeMarked(run);
        // Marked and failed again above, or archived already: by this station (exact
        // name: the file system compares case), by none of its moves, or in a file
        // that names its move but cannot be read; the last two are told once.
        const QString dayFile = IlbanArchivePath(st, day);
        if (!IsMarked(marker, day)) {
            if (!QFileInfo(dayFile).isFile())
                MoveNewDay(run, marker, day);
            else if (JudgeDayFile(run, dayFile) == DayFile::NotOwn)
                TellNotMade(run, dayFile);
        }
    } catch (const std::exception& e) {
        Fail(run, e);
    }
    // A day not archived keeps its rows live and its pruning and reset wait.
    return Finish(run);
}

} // namespace tolvo
