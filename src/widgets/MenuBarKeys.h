#pragma once

#include "platform/VirtualKeys.h"

#include <QObject>
#include <QSet>
#include <functional>

class QEvent;
class QKeyEvent;
class QMenuBar;
class QStyle;
class QWidget;

namespace tolvo {

// The menu bar by keys, as on the platform the booth's screens come from: Alt
// alone or F10 gives the keyboard to the menu bar with its first title lit; the
// arrows walk the titles and open the menus, Enter chooses; a second Alt or
// F10, or Esc, gives the keyboard back to the home control (or to none when it
// cannot take it). The keys that work the menus are theirs alone: their
// releases, and the release of a lone Alt or F10, reach no other key handler.
// F10 stays the car park's own key where it is bound to one (f10Taken).
class MenuBarKeys : public QObject {
public:
    // home: the control that gets the keyboard back when the menus let it go.
    MenuBarKeys(QMenuBar& bar, std::function<QWidget*()> home, std::function<bool()> f10Taken = {});
    ~MenuBarKeys() override;
    MenuBarKeys(const MenuBarKeys&) = delete;
    MenuBarKeys& operator=(const MenuBarKeys&) = delete;

    // The menu bar or one of its menus has the keyboard.
    bool hasKeyboard() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool ours(const QObject* watched) const;
    bool ourMenu(const QWidget* w) const;
    bool keyPress(const QObject* watched, const QKeyEvent& k);
    bool keyRelease(const QKeyEvent& k);
    bool choosesTitle(const QKeyEvent& k) const;
    void toggle();
    void enter();
    void leave();
    void settle();
    void settleLater();
    void goHome();

    QMenuBar& m_bar;
    std::function<QWidget*()> m_home;
    std::function<bool()> m_f10Taken;
    QStyle* m_style = nullptr;
    QSet<PhysicalKey> m_menuKeys; // pressed while the menus had the keyboard, not yet released
    bool m_altAlone = false; // Alt is down and no other key came since
    bool m_altHadKeyboard = false; // the menus had the keyboard when that Alt went down
    bool m_synthetic = false;
};

// The bar (a title lit) or one of its menus has the keyboard. A key released
// then whose press came before they took it is not the screen's.
bool MenusHaveKeyboard(const QMenuBar& bar);

} // namespace tolvo
