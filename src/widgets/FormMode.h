#pragma once

#include <QString>

class QSqlDatabase;
class QWidget;

// Forced screen mode (폼구성.강제모드 keeps every screen on top) and the
// station's start with the desktop session (an XDG autostart entry).
namespace tolvo {

struct Station;

// 폼구성.강제모드 of the first row; Null, no row or no table count as off.
bool ForcedModeOn(const QSqlDatabase& db);

// Makes the screen stay on top when the forced mode is on. Never removes the
// hint, keeps position and size, and leaves a hidden screen hidden.
void ApplyFormMode(const QSqlDatabase& db, QWidget& form);
void ApplyFormMode(const Station& st, QWidget& form);

// Centres a screen on its screen: ((screen width - form width) / 2, likewise the height).
void CentreOnScreen(QWidget& form);

// The autostart entry: $XDG_CONFIG_HOME/autostart/Tarvola.desktop
// ($HOME/.config when XDG_CONFIG_HOME is unset or not absolute).
QString AutoRunEntryPath();
// Writes the entry that starts `executable` told its program folder
// (env TOLVO_HOME=<folder> <executable>, quoted for a desktop entry). Failures are
// not reported (the station goes on); the result only tells tests whether the file
// was written. The station's own: the running program and st.AppPath.
bool SetAutoRun(const QString& programFolder, const QString& executable);
bool SetAutoRun(const Station& st);
// Empties the entry (no command, hidden); the file stays.
bool ClearAutoRun();
// The command the entry holds now (its quoting kept); empty when emptied or missing.
QString AutoRunEntryCommand();

} // namespace tolvo
