#pragma once

#include "platform/Messages.h"

#include <QStringList>
#include <deque>
#include <functional>

namespace tolvo {

// Records every message and question and answers from a script; used by tests.
// Unscripted questions answer no / cancel (3) / the box's cancel or no button.
class ScriptedMessages : public Messages {
public:
    struct Shown {
        QString kind;   // "Msg_Box", "MBox", "DialogM", "MsgBox"
        QString title;
        QString text;
        int style = 0;
        QString yesCaption;
    };

    void Msg_Box(const QString& text, const QString& title) override
    {
        record({QStringLiteral("Msg_Box"), title, text, 0, {}});
    }
    bool MBox(const QString& text, const QString& title, const QString& yesCaption) override
    {
        record({QStringLiteral("MBox"), title, text, 0, yesCaption});
        if (mboxAnswers.empty()) return false;
        const bool a = mboxAnswers.front();
        mboxAnswers.pop_front();
        return a;
    }
    int DialogM() override
    {
        record({QStringLiteral("DialogM"), QStringLiteral("패스워드입력"), {}, 0, {}});
        if (dialogMAnswers.empty()) return 3;
        const int a = dialogMAnswers.front();
        dialogMAnswers.pop_front();
        return a;
    }
    int MsgBox(const QString& text, int style, const QString& title) override
    {
        record({QStringLiteral("MsgBox"), title, text, style, {}});
        if (!msgBoxAnswers.empty()) {
            const int a = msgBoxAnswers.front();
            msgBoxAnswers.pop_front();
            return a;
        }
        switch (style & 7) {
        case vbOKOnly: return vbOK;
        case vbYesNo: return vbNo;
        case vbAbortRetryIgnore: return vbAbort;
        default: return vbCancel;
        }
    }

    // All texts shown, in order, of any kind.
    QStringList texts() const
    {
        QStringList out;
        for (const auto& s : shown) out << s.text;
        return out;
    }
    void clear() { shown.clear(); }

    std::vector<Shown> shown;
    std::deque<bool> mboxAnswers;
    std::deque<int> dialogMAnswers;
    std::deque<int> msgBoxAnswers;
    // Runs while a message is shown, before it is answered: what a person sees then.
    std::function<void(const Shown&)> onShow;

private:
    void record(Shown s)
    {
        shown.push_back(s);
        if (onShow) onShow(s); // a copy: the callback may show messages of its own
    }
};

} // namespace tolvo
