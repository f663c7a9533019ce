#pragma once

#include "platform/Messages.h"

#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;
class QSqlDatabase;

// The Qt forms behind tolvo::Messages: the message form Msg_Box, the yes/no
// form MBox, the administrator-password form DialogM and the system message box.
namespace tolvo {

// 1 when the typed text is worker 0's password or the maker's code (exact,
// letter case counts), else 2. No row, a Null password or a database failure
// match nothing but the maker's code.
int CheckAdminPassword(const QSqlDatabase& db, const QString& typed);

// Buttons of the system message box for the style's low three bits, in order,
// as MsgBoxResult codes; the default one by the style's default-button bits;
// the answer given when the window is closed other than by a button.
struct MsgBoxLayout {
    std::vector<int> buttons;
    int defaultIndex = 0;
    int closeResult = vbOK;
};
MsgBoxLayout MsgBoxButtons(int style);
// The caption of a button of the system message box.
QString MsgBoxButtonCaption(int result);

// Message texts keep their line breaks (CR LF, CR or LF) as lines.
QString DisplayLines(const QString& text);

// The message form: caption, Label1, Command1 "확 인(&Y)", Image1.
class MsgBoxForm : public QDialog {
    Q_OBJECT
public:
    MsgBoxForm(const QString& text, const QString& title, const QSqlDatabase* db, QWidget* parent = nullptr);
};

// The yes/no form: caption, Label1, Command1_0 "확 인" (yes), Command1_1 "취 소" (no).
class MBoxForm : public QDialog {
    Q_OBJECT
public:
    MBoxForm(const QString& text, const QString& title, const QString& yesCaption, const QSqlDatabase* db,
             QWidget* parent = nullptr);
    // True only after the yes button; closing any other way answers no.
    bool answer() const { return m_answer; }

private:
    bool m_answer = false;
};

// The administrator-password form "패스워드입력".
class DialogMForm : public QDialog {
    Q_OBJECT
public:
    explicit DialogMForm(const QSqlDatabase* db, QWidget* parent = nullptr);
    // 1 right, 2 wrong (also while open), 3 cancelled or closed.
    int Result() const { return m_result; }

protected:
    void reject() override;

private:
    void onOk();

    const QSqlDatabase* m_db;
    QLineEdit* m_text = nullptr;
    QPushButton* m_ok = nullptr;
    int m_result = 2;
};

// Builds the system message box for a style (not shown). Its MsgBoxResult is
// read with SystemMessageBoxResult after it has closed.
QMessageBox* BuildSystemMessageBox(const QString& text, int style, const QString& title, QWidget* parent = nullptr);
int SystemMessageBoxResult(const QMessageBox& box, int style);

// The program's Messages: shows each form modally and returns its answer.
class QtMessages : public Messages {
public:
    QtMessages() = default;
    // The shared connection (for the password check and the screen mode);
    // the pointer must outlive this object, typically &station.Db.
    void setDatabase(const QSqlDatabase* db) { m_db = db; }

    void Msg_Box(const QString& text, const QString& title) override;
    bool MBox(const QString& text, const QString& title, const QString& yesCaption) override;
    int DialogM() override;
    int MsgBox(const QString& text, int style, const QString& title) override;

private:
    const QSqlDatabase* m_db = nullptr;
};

} // namespace tolvo
