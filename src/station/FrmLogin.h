#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tolvo {

struct Station;

// The worker change form `frmLogin` ("로그인"): the next worker takes over by
// password. Closing it before a worker is found keeps the current worker.
class FrmLogin : public QDialog {
    Q_OBJECT
public:
    explicit FrmLogin(Station& st, QWidget* parent = nullptr);

private:
    void passwordChanged(const QString& text);

    Station& m_st;
    QLineEdit* m_password = nullptr;
    QLabel* m_lblName = nullptr;
    QLabel* m_lblLog = nullptr;
    QPushButton* m_ok = nullptr;
};

// Shows the form modally (the settlement calls it after opening the next period).
void ShowFrmLogin(Station& st, QWidget* parent = nullptr);

} // namespace tolvo
