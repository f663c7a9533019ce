#pragma once

// The program's message forms, shown modally as on the running station, and
// recorded as ScriptedMessages records them. Off by default: each box is then
// answered at once from the script. And the way a test drives a modal screen:
// from a timer, inside the screen's own event loop.

#include "platform/ScriptedMessages.h"
#include "widgets/QtMessages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

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

namespace detail {

// The test running now; a repeat of the same test is another run.
inline std::pair<const ::testing::TestInfo*, ::testing::TimeInMillis> TestRun()
{
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    return {t, t ? t->result()->start_timestamp() : 0};
}

} // namespace detail

// Closes every popup and modal screen open, from the top down, by QDialog's own
// done(): a screen that asks first on closing does not stay open.
inline void CloseModals()
{
    for (int i = 0; i < 64; ++i) {
        QWidget* w = QApplication::activePopupWidget();
        if (!w) w = QApplication::activeModalWidget();
        if (!w) return;
        if (auto* d = qobject_cast<QDialog*>(w)) d->QDialog::done(QDialog::Rejected);
        else w->hide();
    }
}

// A modal screen awaited in vain: the test fails, and what is open closes, and
// so does whatever opens later in this test, so that its loops return and the
// program goes on to the next test.
inline void GiveUpOnModals(const std::string& why)
{
    ADD_FAILURE() << why;
    CloseModals();
    auto* sweep = new QTimer(QCoreApplication::instance());
    QObject::connect(sweep, &QTimer::timeout, [sweep, run = detail::TestRun()] {
        if (detail::TestRun() == run) return CloseModals();
        sweep->stop();
        sweep->deleteLater();
    });
    sweep->start(50);
}

// Runs act on the modal screen `name` (any, when empty) once it is on top and
// has the keyboard: keys sent to it before it has go to the screen below. Looks
// every 5 ms, for 5 s at most, and then gives up (above). Looking ends with the
// test, or with scope when one is given.
inline void WhenModal(const QString& name, std::function<void(QWidget&)> act, QObject* scope = nullptr)
{
    constexpr int kLookMs = 5;
    constexpr qint64 kWaitMs = 5000;
    auto* look = new QTimer(scope ? scope : QCoreApplication::instance());
    QElapsedTimer since;
    since.start();
    QObject::connect(look, &QTimer::timeout, [look, name, act = std::move(act), since, run = detail::TestRun()] {
        if (detail::TestRun() != run) {
            look->stop();
            look->deleteLater();
            return;
        }
        QWidget* w = QApplication::activeModalWidget();
        const bool ready = w && (name.isEmpty() || w->objectName() == name) && QApplication::activeWindow() == w;
        if (!ready && since.elapsed() < kWaitMs) return;
        look->stop();
        look->deleteLater();
        if (ready) return act(*w);
        GiveUpOnModals("no modal screen " + (name.isEmpty() ? std::string("at all") : name.toStdString()) +
                       " with the keyboard; on top: " + (w ? w->objectName().toStdString() : std::string("none")));
    });
    look->start(kLookMs);
}

} // namespace tolvo::test
