#pragma once

#include <QString>

#include <optional>

namespace tolvo {

// $TOLVO_HOME when set, else the executable's folder. No trailing slash.
QString ProgramFolder();

// A folder another user owns, and who that is.
struct OthersFolder {
    QString owner;
    QString folder;
};

// Run as root, the deepest folder or link on the way to the program folder,
// the folder itself included, that is not root's: that user can swap what
// lies below it for links to root's own files. Nothing for any other user,
// whose own rights already bound what the station can reach.
std::optional<OthersFolder> OthersOnTheWay(const QString& programFolder);

} // namespace tolvo
