#include "widgets/FormMode.h"

#include "core/Sql.h"
#include "core/Station.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QScreen>
#include <QSqlDatabase>
#include <QWidget>

namespace tolvo {

namespace {

QString configHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

// Desktop-entry quoting: an argument with blanks or specials goes in double quotes.
QString quoteExecArg(QString arg)
{
    arg.replace(QStringLiteral("%"), QStringLiteral("%%")); // not a field code
    static const QString specials = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needs = false;
    for (QChar c : arg) needs = needs || specials.contains(c);
    if (!needs) return arg;
    QString out = QStringLiteral("\"");
    for (QChar c : arg) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') out += u'\\';
        out += c;
    }
    // A desktop file's string values escape backslashes once more.
    out.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    return out + u'"';
}

bool writeEntry(const QString& exec, bool hidden)
{
    const QString path = AutoRunEntryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    QString body;
    body += QStringLiteral("[Desktop Entry]\n");
    body += QStringLiteral("Type=Application\n");
    body += QStringLiteral("Name=Tarvola\n");
    body += QStringLiteral("Exec=") + exec + u'\n';
    body += QStringLiteral("Hidden=") + (hidden ? QStringLiteral("true") : QStringLiteral("false")) + u'\n';
    body += QStringLiteral("X-GNOME-Autostart-enabled=") + (hidden ? QStringLiteral("false") : QStringLiteral("true")) + u'\n';
    f.write(body.toUtf8());
    return f.commit();
}

} // namespace

bool ForcedModeOn(const QSqlDatabase& db)
{
    if (!db.isOpen()) return false;
    try {
        return ToBool(Scalar(db, QStringLiteral("SELECT 강제모드 FROM 폼구성 LIMIT 1")));
    } catch (const DbError&) {
        return false;
    }
}

void ApplyFormMode(const QSqlDatabase& db, QWidget& form)
{
    if (!ForcedModeOn(db)) return;
    if (form.windowFlags() & Qt::WindowStaysOnTopHint) return;
    const bool wasVisible = form.isVisible();
    const QRect geometry = form.geometry();
    form.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Changing a window flag hides the window; show it again only when it was shown.
    if (wasVisible) {
        form.setGeometry(geometry);
        form.show();
    }
}

void ApplyFormMode(const Station& st, QWidget& form) { ApplyFormMode(st.Db, form); }

void CentreOnScreen(QWidget& form)
{
    const QScreen* screen = form.screen();
    if (!screen) return;
    // Before its first show a form sized by its layout still has the default size; take the one show() gives it.
    if (!form.isVisible() && !form.testAttribute(Qt::WA_Resized)) form.adjustSize();
    const QRect area = screen->geometry();
    const QSize size = form.frameGeometry().size().isValid() ? form.frameGeometry().size() : form.size();
    form.move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

QString AutoRunEntryPath() { return configHome() + QStringLiteral("/autostart/Tarvola.desktop"); }

bool SetAutoRun(const QString& programFolder, const QString& executable)
{
    return writeEntry(QStringLiteral("env ") + quoteExecArg(QStringLiteral("TOLVO_HOME=") + programFolder) + u' ' +
                          quoteExecArg(executable),
                      false);
}

bool SetAutoRun(const Station& st) { return SetAutoRun(st.AppPath, QCoreApplication::applicationFilePath()); }

bool ClearAutoRun() { return writeEntry(QString(), true); }

QString AutoRunEntryCommand()
{
    QFile f(AutoRunEntryPath());
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    bool hidden = false;
    QString exec;
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("Exec="))) exec = line.mid(5);
        if (line.trimmed() == QStringLiteral("Hidden=true")) hidden = true;
    }
    if (hidden) return {};
    return exec.replace(QStringLiteral("\\\\"), QStringLiteral("\\")); // the string-level escape only
}

} // namespace tolvo
