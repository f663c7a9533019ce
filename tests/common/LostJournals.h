#pragma once

#include <QString>

namespace tolvo::test {

// A power cut as a disk meets it: a file's deletion is on the disk only once its
// folder is synced. While this object lives, the engine's default file layer keeps
// a copy ("<journal>.unsynced") of each rollback journal it deletes without asking
// for its folder to be synced; BringBack() puts those journals back, as a power cut
// right then would. The layer and the copies outlive a fork, so a child killed
// mid-work leaves them for the parent.
class LostJournals {
public:
    LostJournals();
    ~LostJournals();
    LostJournals(const LostJournals&) = delete;
    LostJournals& operator=(const LostJournals&) = delete;

    // Renames every copy in `folder` back to its journal's name; returns how many.
    static int BringBack(const QString& folder);
};

} // namespace tolvo::test
