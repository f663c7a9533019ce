#pragma once

// Keys as a US keyboard sends them: each press and release with the key's scan
// code (X keycode; none, as software makes them, when asked), the character the
// held Shift makes of it and the modifiers held; sent where the keyboard is,
// shortcuts first, as the platform does.

#include <QApplication>
#include <QKeyEvent>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>

namespace tolvo::test {

class Keyboard {
public:
    // home: has the keyboard when no window has it (a window manager gives it
    // back to the main window when a dialog over it closes).
    explicit Keyboard(QWidget& home, bool scanCodes = true) : m_home(home), m_scanCodes(scanCodes) {}

    void press(Qt::Key key) { send(QEvent::KeyPress, key); }
    void release(Qt::Key key) { send(QEvent::KeyRelease, key); }
    void click(Qt::Key key)
    {
        press(key);
        release(key);
    }
    void type(const QString& digits)
    {
        for (const QChar c : digits) click(Qt::Key(Qt::Key_0 + c.digitValue()));
    }

private:
    static Qt::KeyboardModifiers modifierOf(int key)
    {
        return key == Qt::Key_Shift ? Qt::ShiftModifier : key == Qt::Key_Alt ? Qt::AltModifier : Qt::NoModifier;
    }
    QWidget* target()
    {
        if (QWidget* p = QApplication::activePopupWidget()) return p->focusWidget() ? p->focusWidget() : p;
        if (!QApplication::activeWindow()) {
            m_home.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&m_home));
        }
        return QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    }
    void send(QEvent::Type type, Qt::Key key)
    {
        const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
        quint32 scan = digit ? 10 + (key - Qt::Key_0 + 9) % 10 : 0;
        QString text = digit ? QString(QChar(char16_t(key))) : QString();
        int code = key;
        if (key == Qt::Key_1 && (m_held & Qt::ShiftModifier)) {
            code = Qt::Key_Exclam;
            text = QStringLiteral("!");
        }
        if (key == Qt::Key_Return) text = QStringLiteral("\r");
        if (key == Qt::Key_Y) text = QStringLiteral("y");
        for (const auto& [k, s] : {std::pair{Qt::Key_Return, 36u}, {Qt::Key_Y, 29u}, {Qt::Key_Shift, 50u}, {Qt::Key_Alt, 64u}})
            if (key == k) scan = s;
        ASSERT_NE(scan, 0u) << "no such key on this keyboard: " << key;
        QWidget* to = target();
        ASSERT_TRUE(to) << "no window has the keyboard";
        // A modifier's own press comes without its bit, its release with it.
        const bool down = type == QEvent::KeyPress;
        const Qt::KeyboardModifiers mods = down ? m_held & ~modifierOf(key) : m_held | modifierOf(key);
        m_held = down ? m_held | modifierOf(key) : m_held & ~modifierOf(key);
        QKeyEvent e(type, code, mods, m_scanCodes ? scan : 0, 0, 0, text);
        QSpontaneKeyEvent::setSpontaneous(&e);
        if (down && qt_sendShortcutOverrideEvent(to, e.timestamp(), code, mods, text)) return;
        qApp->notify(to, &e);
        QApplication::processEvents();
    }

    QWidget& m_home;
    bool m_scanCodes;
    Qt::KeyboardModifiers m_held;
};

} // namespace tolvo::test
