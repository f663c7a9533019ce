#pragma once

#include "station/FunctionKeys.h"
#include "widgets/LinkLamp.h"
#include "core/MainScreen.h"
#include "station/Menus.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;

namespace tolvo {

struct Station;
class Fnd1;
class KeyPressLog;
class QuietActionChanges;

// The main screen `main`: every control by its name, the menu bar, the side
// menu, the colours and the one-second timer Timer1. Logic reaches it through
// MainScreen; the menus open screens through ScreenHost.
class MainWindow : public QMainWindow, public MainScreen, public ScreenHost {
    Q_OBJECT
public:
    // The message list List1 keeps this many of the newest lines.
    static constexpr int kList1Lines = 500;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Ties the window to its station (made after the window) and makes the menus.
    void attach(Station& st);
    // The load of the main screen: its steps, then the timer starts (still hidden).
    void load();

    Menus& menus() { return *m_menus; }
    // The link lamps follow the station's Connect1/Connect2 once attached.
    Connect& connect1();
    Connect& connect2();
    QLineEdit* tnum() const { return m_tnum; }
    // The message list with every line appended so far.
    QListWidget* list1();
    QTimer& timer1() { return m_timer1; }

    // A screen the menus may open: shows it modally (or not) with this window as parent.
    using ScreenFactory = std::function<void(QWidget* parent)>;
    void registerScreen(const QString& form, ScreenFactory show);
    bool hasScreen(const QString& form) const { return m_screens.contains(form); }

    // Timer1's steps (the station's one-second tick by default).
    std::function<void()> onTick;
    // The function keys' booth actions.
    FunctionKeyActions functionActions;
    // The colour dialog CommonDialog1; nothing when cancelled.
    std::function<std::optional<QColor>(const QColor& current)> chooseColour;
    // Ends the program after a confirmed shut-down (the application's exit by default).
    std::function<void(int code)> onEnd;

    // A released key as the main screen's key handler gets it (key preview).
    void keyUp(int keyCode, int shift);
    // A double-click on a control: the colour choice of its group.
    void colourDoubleClick(const QString& control);
    // True once the shut-down has run.
    bool ended() const { return m_ended; }

    // MainScreen
    void setText(const QString& control, const QString& text) override;
    QString text(const QString& control) const override;
    void setForeColor(const QString& control, const QColor& c) override;
    void setBackColor(const QString& control, const QColor& c) override;
    QColor backColor(const QString& control) const override;
    void setVisible(const QString& control, bool visible) override;
    void setEnabled(const QString& control, bool enabled) override;
    bool isEnabled(const QString& control) const override;
    bool isVisible(const QString& control) const override;
    void beep() override;
    void setMaxLength(const QString& control, int length) override;
    void setFocus(const QString& control) override;
    void appendList1(const QString& line) override;
    void refreshTotals() override;
    void setTimerEnabled(bool on) override;
    void setMousePointer(Qt::CursorShape shape) override;
    void unload() override;

    // ScreenHost
    void showModal(const QString& form) override;
    void showModeless(const QString& form) override;

    using QMainWindow::setEnabled;
    using QMainWindow::setFocus;
    using QMainWindow::setVisible;

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildMenus();
    void buildCentral();
    void tick();
    void guarded(const std::function<void()>& fn);
    QObject* control(const QString& name) const;
    // Controls found by name so far: every frame sets a few labels, and a search of
    // the whole window each time was a tenth of a busy station's time.
    mutable QHash<QString, QPointer<QObject>> m_controls;
    void watch(QWidget* w);
    void bindLamp(const QString& name, Connect& state);
    // A key released on the main screen, checked against where its press went.
    void keyReleased(const QKeyEvent& e);

    Station* m_st = nullptr;
    std::unique_ptr<Menus> m_menus;
    QHash<QString, ScreenFactory> m_screens;
    Connect m_connect1;
    Connect m_connect2;
    QTimer m_timer1;
    QLineEdit* m_tnum = nullptr;
    QListWidget* m_list1 = nullptr;
    QListWidget* m_sideMenu = nullptr;
    Fnd1* m_fnd = nullptr;
    QString m_fndText;
    bool m_ended = false;
    std::unique_ptr<KeyPressLog> m_presses;
    // The window is painted at most every kPaintMs: a busy station changes its labels
    // and list hundreds of times a second, far more often than a screen shows them.
    static constexpr int kPaintMs = 40;
    QElapsedTimer m_painted;
    QTimer m_paintLater;
    // List1's lines appended since the last paint, added together before the next.
    QStringList m_list1Pending;
    void flushList1();
    // The period totals asked for since the last paint, read once before the next.
    bool m_totalsStale = false;
    QList<QWidget*> m_totals; // their labels
    void flushTotals();
    // A hidden window is not painted: its list and totals catch up a moment later.
    QTimer m_catchUp;
    // Set while a change that moves nothing is made: the frames' layouts stay as they are.
    bool m_placesKept = false;
    // A menu enabled or disabled without laying the window out again.
    void setActionEnabled(QAction& a, bool enabled);
    QuietActionChanges* m_quietBar = nullptr;
};

} // namespace tolvo
