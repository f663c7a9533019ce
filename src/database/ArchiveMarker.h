#pragma once

// The marker, Backup/archive.moving: the days whose moves are under way and the
// rows each takes, until the day is done. Written whole and synced before the first
// archive commit it covers; a marker whose last line is not a matching check is
// damaged and trusted in nothing.

#include "core/Sql.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tolvo {

inline const QString kMarker = QStringLiteral("archive.moving");

// A day whose move is under way, as the marker holds it. Its rows are the ones
// finished when its run began, so rows finished later go with a later day even
// when this move is finished late. Only a move whose copy has not committed needs
// them: a committed copy is read back from its file.
struct MarkedDay {
    QDate day;
    // Drawn when the day's rows were listed; the live file records it as its own.
    qint32 move = 0;
    QHash<QString, QStringList> rows;  // by letter ("i", "j"): each listed row's token, once per row
};
using Marker = std::vector<MarkedDay>;

bool IsMarked(const Marker& marker, const QDate& day);

// A row's identity in a few characters: a digest of its identifying fields (columns
// `first` to `end` - 1), Nulls told apart from empty texts.
QString RowToken(const QSqlQuery& q, int first, int end);

// Row tokens, each held as many times as there are such rows, taken one at a time.
class TokenCounts {
public:
    TokenCounts() = default;
    explicit TokenCounts(const QStringList& tokens);
    void add(const QString& token) { ++m_counts[token]; }
    // False when no such token is left.
    bool take(const QString& token);

private:
    QHash<QString, int> m_counts;
};

// Marker text no run wrote (a disk fault or a hand edit): nothing on it is trusted.
struct DamagedMarker : DbError {
    using DbError::DbError;
};

// The marked days of the marker at `path`, oldest first; none without a marker.
// Throws DbError when it cannot be read, DamagedMarker when its last line is not a
// matching check or a block is not whole.
Marker ReadMarker(const QString& path);

// Writes the marker whole under a temporary name, synced, and renames it over
// `path` with its folder synced. `written` runs once the new text is on the disk,
// before it takes the old one's place. Throws DbError.
void WriteMarker(const QString& path, const Marker& marker, const std::function<void()>& written);

// A rename or a removal is on the disk only once its folder is synced: a step
// that relies on it must not pass as done when the sync fails. Throws DbError.
void SyncFolder(const QString& dir);

} // namespace tolvo
