#pragma once

// The program's message forms, shown modally as on the running station, and
// recorded as ScriptedMessages records them. Off by default: each box is then
// answered at once from the script.

#include "platform/ScriptedMessages.h"
#include "widgets/QtMessages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <algorithm>
#include <memory>

namespace tolvo::test {

class ModalMessages : public ScriptedMessages {
public:
    bool modal = false;
    int open = 0;         // boxes open now
    int mostOpen = 0;     // at most at once
    int deepestLoop = 0;  // the deepest event loop a box opened in

    void Msg_Box(const QString& text, const QString& title) override
    {
        ScriptedMessages::Msg_Box(text, title);
        if (modal) show(MsgBoxForm(text, title, nullptr, QApplication::activeWindow()));
    }
    bool MBox(const QString& text, const QString& title, const QString& yesCaption) override
    {
        const bool scripted = ScriptedMessages::MBox(text, title, yesCaption);
        if (!modal) return scripted;
        MBoxForm form(text, title, yesCaption, nullptr, QApplication::activeWindow());
        show(form);
        return form.answer();
    }
    int MsgBox(const QString& text, int style, const QString& title) override
    {
        const int scripted = ScriptedMessages::MsgBox(text, style, title);
        if (!modal) return scripted;
        const std::unique_ptr<QMessageBox> box(BuildSystemMessageBox(text, style, title, QApplication::activeWindow()));
        show(*box);
        return SystemMessageBoxResult(*box, style);
    }

private:
    void show(QDialog&& form) { show(form); }
    void show(QDialog& form)
    {
        deepestLoop = std::max(deepestLoop, QThread::currentThread()->loopLevel());
        mostOpen = std::max(mostOpen, ++open);
        form.exec();
        --open;
    }
};

// Closes the modal box on top (the message form's OK, a yes/no form's button by its name).
inline bool AnswerBox(const char* button = "Command1")
{
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return false;
    if (auto* b = box->findChild<QAbstractButton*>(QString::fromUtf8(button))) b->click();
    else box->close();
    return true;
}

} // namespace tolvo::test
