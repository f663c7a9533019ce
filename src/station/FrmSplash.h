#pragma once

#include "station/Login.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tolvo {

struct Station;

// The start-up screen `frmSplash` with the login: Text1 (password), cmdOK,
// Command1 (cancel), LblName, LblLog and the program's name and version.
class FrmSplash : public QDialog {
    Q_OBJECT
public:
    // started runs after a successful start of work (shows the main screen);
    // ended ends the program with an exit code (cancel, or a failed start of work).
    FrmSplash(Station& st, std::function<void()> started, std::function<void(int)> ended, QWidget* parent = nullptr);

    LoginSession& session() { return m_session; }

    // The version label's text: "Version " and major.minor.revision.
    static QString VersionCaption();

protected:
    void reject() override; // the close box cancels, as Command1 does

private:
    void passwordChanged(const QString& text);
    void ok();
    void cancel();

    Station& m_st;
    LoginSession m_session;
    std::function<void()> m_started;
    std::function<void(int)> m_ended;
    QLineEdit* m_text1 = nullptr;
    QPushButton* m_ok = nullptr;
    QLabel* m_lblName = nullptr;
    QLabel* m_lblLog = nullptr;
    bool m_done = false;
};

} // namespace tolvo
