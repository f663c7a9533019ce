#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvo {

QString ProgramFolder()
{
    const QString home = qEnvironmentVariable("TOLVO_HOME");
    const QString dir = home.isEmpty() ? QCoreApplication::applicationDirPath() : home;
    return QDir(dir).absolutePath();
}

namespace {

// `path` and every folder above it, the deepest first.
QStringList DeepestFirst(const QString& path)
{
    QStringList out;
    for (QString p = QDir::cleanPath(path); !p.isEmpty(); p = p == QStringLiteral("/") ? QString() : QFileInfo(p).path())
        out << p;
    return out;
}

QString UserName(uid_t uid)
{
    const passwd* pw = ::getpwuid(uid);
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(uid);
}

} // namespace

std::optional<OthersFolder> OthersOnTheWay(const QString& programFolder)
{
    if (::geteuid() != 0) return std::nullopt;
    // The way as named (a link of another user's on it) and as it leads.
    QString existing = QDir(programFolder).absolutePath();
    QStringList way = DeepestFirst(existing);
    while (!QFileInfo::exists(existing) && existing != QStringLiteral("/")) existing = QFileInfo(existing).path();
    way << DeepestFirst(QFileInfo(existing).canonicalFilePath());
    for (const QString& entry : way) {
        struct stat st {};
        if (::lstat(QFile::encodeName(entry).constData(), &st) == 0 && st.st_uid != 0)
            return OthersFolder{UserName(st.st_uid), entry};
    }
    return std::nullopt;
}

} // namespace tolvo
