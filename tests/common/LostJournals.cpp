#include "common/LostJournals.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <cstring>

namespace tolvo::test {

namespace {

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_layer;

int DeleteKeepingUnsynced(sqlite3_vfs*, const char* path, int syncDir)
{
    const QString name = QFile::decodeName(path);
    if (!syncDir && name.endsWith(QStringLiteral("-journal"))) {
        QFile::remove(name + QStringLiteral(".unsynced"));
        QFile::copy(name, name + QStringLiteral(".unsynced"));
    }
    return g_real->xDelete(g_real, path, syncDir);
}

} // namespace

LostJournals::LostJournals()
{
    if (!g_real) {
        g_real = sqlite3_vfs_find(nullptr);
        g_layer = *g_real;  // pAppData too: the layer's files are the real layer's own
        g_layer.zName = "lost-journals";
        g_layer.pNext = nullptr;
        g_layer.xDelete = DeleteKeepingUnsynced;
    }
    sqlite3_vfs_register(&g_layer, 1);
}

LostJournals::~LostJournals()
{
    sqlite3_vfs_register(g_real, 1);
    sqlite3_vfs_unregister(&g_layer);
}

int LostJournals::BringBack(const QString& folder)
{
    QDir dir(folder);
    int n = 0;
    for (const QString& copy : dir.entryList({QStringLiteral("*-journal.unsynced")}, QDir::Files | QDir::Hidden)) {
        const QString journal = dir.filePath(copy.chopped(int(std::strlen(".unsynced"))));
        QFile::remove(journal);
        n += QFile::rename(dir.filePath(copy), journal) ? 1 : 0;
    }
    return n;
}

} // namespace tolvo::test
