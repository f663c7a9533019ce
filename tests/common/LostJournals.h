#pragma once

#include <QDir>
#include <QFile>
#include <sqlite3.h>

namespace tolvo::test {

// A power cut as a disk meets it: a deletion is on the disk only once its folder is
// synced. While this object lives, the engine's default file layer keeps a copy
// ("<journal>.unsynced") of each journal it deletes without a sync of its folder;
// BringBack() puts them back, as a power cut then would. Both outlive a fork.
class LostJournals {
public:
    LostJournals()
    {
        static sqlite3_vfs* const real = sqlite3_vfs_find(nullptr);
        static sqlite3_vfs layer = [] {
            sqlite3_vfs v = *real;  // pAppData too: the layer's files are the real layer's own
            v.zName = "lost-journals";
            v.xDelete = [](sqlite3_vfs*, const char* path, int syncDir) {
                const QString name = QFile::decodeName(path);
                if (!syncDir && name.endsWith(QStringLiteral("-journal"))) {
                    QFile::remove(name + QStringLiteral(".unsynced"));
                    QFile::copy(name, name + QStringLiteral(".unsynced"));
                }
                return real->xDelete(real, path, syncDir);
            };
            return v;
        }();
        m_real = real;
        m_layer = &layer;
        sqlite3_vfs_register(m_layer, 1);
    }
    ~LostJournals()
    {
        sqlite3_vfs_register(m_real, 1);
        sqlite3_vfs_unregister(m_layer);
    }
    LostJournals(const LostJournals&) = delete;
    LostJournals& operator=(const LostJournals&) = delete;

    static void BringBack(const QString& folder)
    {
        const QDir dir(folder);
        for (const QString& copy : dir.entryList({QStringLiteral("*-journal.unsynced")}, QDir::Files)) {
            const QString journal = dir.filePath(copy.chopped(int(qstrlen(".unsynced"))));
            QFile::remove(journal);
            QFile::rename(dir.filePath(copy), journal);
        }
    }

private:
    sqlite3_vfs* m_real = nullptr;
    sqlite3_vfs* m_layer = nullptr;
};

} // namespace tolvo::test
