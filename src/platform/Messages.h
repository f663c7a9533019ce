#pragma once

#include <QString>

namespace tolvo {

// Return codes of the system message box, as the callers compare them.
enum MsgBoxResult { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };
// Style bits of the system message box.
enum MsgBoxStyle {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4, vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbDefaultButton2 = 256, vbDefaultButton3 = 512,
};

// Every modal message and question of the station goes through here, so logic
// never blocks on a dialog: the program shows Qt dialogs, tests script answers.
class Messages {
public:
    virtual ~Messages() = default;
    // The common message box: a title, one message (may hold line breaks), OK.
    virtual void Msg_Box(const QString& text, const QString& title = QStringLiteral("Tarvola")) = 0;
    // Yes/no confirmation; yesCaption re-captions the yes button when not empty.
    // Closing the window other than by a button answers no.
    virtual bool MBox(const QString& text, const QString& title = QStringLiteral("Tarvola"),
                      const QString& yesCaption = QString()) = 0;
    // The administrator-password form: 1 right, 2 wrong, 3 cancelled.
    virtual int DialogM() = 0;
    // The system message box with numeric style bits; returns a MsgBoxResult.
    virtual int MsgBox(const QString& text, int style = vbOKOnly,
                       const QString& title = QStringLiteral("Tarvola")) = 0;
};

} // namespace tolvo
