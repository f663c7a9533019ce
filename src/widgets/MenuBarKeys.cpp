#include "widgets/MenuBarKeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QTimer>

namespace tolvo {

namespace {

// The application's look with the menu bar's keyboard road switched on: Alt
// lights the first title, Enter and the arrows open menus and choose items, Alt
// in an open menu closes it.
class AltKeyStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation) return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        // The title the keyboard is on is drawn as an opened one: some looks
        // light a title only while its menu is open.
        if (element == CE_MenuBarItem && widget && widget->hasFocus() && (option->state & State_Selected)) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem lit(*item);
                lit.state |= State_Sunken;
                return QProxyStyle::drawControl(element, &lit, painter, widget);
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

bool IsF10(const QKeyEvent& k)
{
    return k.key() == Qt::Key_F10 && (k.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

MenuBarKeys::MenuBarKeys(QMenuBar& bar, std::function<QWidget*()> home, std::function<bool()> f10Taken)
    : QObject(&bar), m_bar(bar), m_home(std::move(home)), m_f10Taken(std::move(f10Taken))
{
    m_style = new AltKeyStyle(QStyleFactory::create(QApplication::style()->name()));
    m_style->setParent(this);
    m_bar.setStyle(m_style);
    for (QAction* a : m_bar.actions())
        if (QMenu* m = a->menu()) m->setStyle(m_style);
    qApp->installEventFilter(this);
}

MenuBarKeys::~MenuBarKeys()
{
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

namespace {

bool IsMenuOf(const QMenuBar& bar, const QWidget* w)
{
    const auto* menu = qobject_cast<const QMenu*>(w);
    if (!menu) return false;
    for (QAction* a : bar.actions())
        if (a->menu() == menu) return true;
    return false;
}

} // namespace

bool MenusHaveKeyboard(const QMenuBar& bar)
{
    if (IsMenuOf(bar, QApplication::activePopupWidget())) return true;
    return bar.window()->focusWidget() == &bar && bar.activeAction();
}

bool MenuBarKeys::ourMenu(const QWidget* w) const { return IsMenuOf(m_bar, w); }

bool MenuBarKeys::ours(const QObject* watched) const
{
    const auto* w = qobject_cast<const QWidget*>(watched);
    if (!w) return false;
    const QWidget* top = w->window();
    return top == m_bar.window() || ourMenu(top);
}

bool MenuBarKeys::hasKeyboard() const { return MenusHaveKeyboard(m_bar); }

bool MenuBarKeys::eventFilter(QObject* watched, QEvent* e)
{
    if (m_synthetic) return false;
    switch (e->type()) {
    case QEvent::KeyPress: return keyPress(watched, *static_cast<QKeyEvent*>(e));
    case QEvent::KeyRelease: return keyRelease(*static_cast<QKeyEvent*>(e));
    case QEvent::FocusIn:
        // The bar holding the keyboard with no title lit (back from a screen
        // its item opened) shows nothing: the keyboard goes home.
        if (watched == &m_bar) settleLater();
        return false;
    default: return false;
    }
}

bool MenuBarKeys::keyPress(const QObject* watched, const QKeyEvent& k)
{
    const int key = k.key();
    // A release addressed to a menu that closed on the press is never
    // delivered: the key's next press outside the menus is a key of its own.
    if (!k.isAutoRepeat() && !hasKeyboard()) m_menuKeys.remove(physicalKeyOf(k));
    if (!ours(watched)) return false;
    if (key != Qt::Key_Alt) m_altAlone = false;
    else if (!k.isAutoRepeat() && !m_altAlone) {
        m_altAlone = true;
        m_altHadKeyboard = hasKeyboard();
    }
    // A car park that bound F10 to a discount or function key keeps it; Alt
    // still reaches the menu bar.
    if (IsF10(k) && !hasKeyboard() && m_f10Taken && m_f10Taken()) return false;
    if (IsF10(k)) {
        m_menuKeys.insert(physicalKeyOf(k));
        if (!k.isAutoRepeat()) {
            if (hasKeyboard()) leave();
            else enter();
        }
        return true;
    }
    if (key != Qt::Key_Alt && hasKeyboard()) {
        m_menuKeys.insert(physicalKeyOf(k));
        if (choosesTitle(k)) {
            // A title without a menu runs as a click does: the keyboard is home
            // first, so the screen it opens starts as from anywhere else.
            QAction* title = m_bar.activeAction();
            leave();
            if (!k.isAutoRepeat()) title->trigger();
            return true;
        }
        settleLater();
    }
    return false;
}

bool MenuBarKeys::choosesTitle(const QKeyEvent& k) const
{
    const bool enter = k.key() == Qt::Key_Return || k.key() == Qt::Key_Enter || k.key() == Qt::Key_Space;
    if (!enter || ourMenu(QApplication::activePopupWidget())) return false;
    const QAction* title = m_bar.activeAction();
    return title && !title->menu() && title->isEnabled();
}

bool MenuBarKeys::keyRelease(const QKeyEvent& k)
{
    const int key = k.key();
    if (key == Qt::Key_Alt && m_altAlone) {
        if (k.isAutoRepeat()) return true;
        m_altAlone = false;
        // The style's own Alt road has normally switched the bar already; where
        // the platform's Alt press did not reach it, the switch happens here.
        const bool had = m_altHadKeyboard;
        QTimer::singleShot(0, this, [this, had] {
            if (hasKeyboard() == had) {
                if (had) leave();
                else enter();
            }
            settle();
        });
        return true;
    }
    // Known by the key itself: Shift let go first releases "1" where "!" went down.
    const PhysicalKey pk = physicalKeyOf(k);
    if (!m_menuKeys.contains(pk)) return false;
    if (!k.isAutoRepeat()) m_menuKeys.remove(pk);
    return true;
}

void MenuBarKeys::toggle()
{
    // The bar's keyboard mode switches on a lone Alt: its press as the shortcut
    // check sees it on the window, then its release anywhere.
    m_synthetic = true;
    // (An Alt key event reports Alt held when its own state is without it.)
    QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(m_bar.window(), &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &release);
    m_synthetic = false;
}

void MenuBarKeys::enter()
{
    if (!m_bar.isVisible() || hasKeyboard()) return;
    toggle();
}

void MenuBarKeys::leave()
{
    for (QAction* a : m_bar.actions())
        if (QMenu* m = a->menu(); m && m->isVisible()) m->hide();
    if (hasKeyboard()) toggle();
    settle();
}

void MenuBarKeys::settleLater()
{
    QTimer::singleShot(0, this, [this] { settle(); });
}

void MenuBarKeys::settle()
{
    if (ourMenu(QApplication::activePopupWidget())) return;
    if (m_bar.window()->focusWidget() == &m_bar && !m_bar.activeAction()) goHome();
}

void MenuBarKeys::goHome()
{
    QWidget* home = m_home ? m_home() : nullptr;
    if (home && home->isEnabled() && home->isVisible()) home->setFocus(Qt::OtherFocusReason);
    else m_bar.clearFocus();
}

} // namespace tolvo
