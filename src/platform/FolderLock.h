#pragma once

#include <QString>

namespace tolvo {

// One process at a time on a folder: an exclusive flock on one file in it, held
// from the moment it is taken until the holder ends (a kill lets go too). Only the
// flock counts, not what the file says nor its mode: a file that a kill, a power
// cut or a start as another user left behind is taken over when nobody holds it.
// The file then names its holder (process number, program, host) for people.
class FolderLock {
public:
    enum class Result {
        Taken,       // this process holds it now
        Held,        // another process holds it
        Unreadable,  // the file cannot be opened, so nobody can tell whether it is held
        NotWritable, // nobody holds it, but the folder does not let the file be replaced
        Failed,
    };

    explicit FolderLock(QString path) : m_path(std::move(path)) {}
    // Removes the file, then lets go.
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    Result take();
    const QString& path() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};

// The name of the user owning the file when it is not this process's user; empty otherwise.
QString OtherUsersFile(const QString& path);

} // namespace tolvo
