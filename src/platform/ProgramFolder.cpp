#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace tolvo {

QString ProgramFolder()
{
    const QString home = qEnvironmentVariable("TOLVO_HOME");
    const QString dir = home.isEmpty() ? QCoreApplication::applicationDirPath() : home;
    return QDir(dir).absolutePath();
}

} // namespace tolvo
