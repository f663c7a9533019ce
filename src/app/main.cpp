#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDir().mkpath(tolvo::ProgramFolder());
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Tarvola"));
    w.show();
    return app.exec();
}
