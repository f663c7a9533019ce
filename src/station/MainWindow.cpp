#include "station/MainWindow.h"

#include "platform/VirtualKeys.h"
#include "station/ExitKeys.h"
#include "widgets/Fnd1.h"
#include "widgets/MenuBarKeys.h"
#include "widgets/FormMode.h"
#include "station/MainLoad.h"
#include "station/Shutdown.h"
#include "core/Station.h"
#include "station/TicketEntry.h"
#include "station/Timer1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QCoreApplication>
#include <QFrame>
#include <QPainter>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace tolvo {

namespace {

QString Indexed(const char* base, int i)
{
    return QString::fromUtf8(base) + QLatin1Char('_') + QString::number(i);
}

// A label whose place does not follow its text: its size hints are those of its
// first text, one line high, so a new text is painted where the label stands
// without laying the window out again. A text wider than the place is drawn
// smaller, whole, rather than cut.
class SteadyLabel : public QLabel {
public:
    SteadyLabel(const QString& text, QWidget* parent) : QLabel(text, parent), m_room(text) {}

    QSize sizeHint() const override { return hints().first; }
    QSize minimumSizeHint() const override { return hints().second; }

protected:
    void changeEvent(QEvent* e) override
    {
        if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) {
            m_hints.reset();
            m_measured.clear();
        }
        QLabel::changeEvent(e);
    }
    void paintEvent(QPaintEvent* e) override
    {
        const QRect r = contentsRect();
        if (m_measured != text()) {
            m_measured = text();
            m_wide = fontMetrics().horizontalAdvance(m_measured);
        }
        if (m_wide <= r.width() || r.width() <= 0) return QLabel::paintEvent(e);
        QFont f = font();
        const qreal scale = qreal(r.width()) / m_wide;
        if (f.pointSizeF() > 0) f.setPointSizeF(f.pointSizeF() * scale);
        else f.setPixelSize(std::max(1, int(f.pixelSize() * scale)));
        QPainter p(this);
        p.setFont(f);
        style()->drawItemText(&p, r, QStyle::visualAlignment(layoutDirection(), alignment()), palette(), isEnabled(),
                              text(), foregroundRole());
    }

private:
    // A label of the same font and first text, and one holding a line of text.
    std::pair<QSize, QSize> hints() const
    {
        if (!m_hints) {
            QLabel room(m_room), line(QStringLiteral("Ag가"));
            for (QLabel* l : {&room, &line}) {
                l->setFont(font());
                l->setMargin(margin());
                l->setIndent(indent());
                l->setAlignment(alignment());
                l->setContentsMargins(contentsMargins());
            }
            const int h = std::max(room.sizeHint().height(), line.sizeHint().height());
            const int minH = std::max(room.minimumSizeHint().height(), line.minimumSizeHint().height());
            m_hints.emplace(QSize(room.sizeHint().width(), h), QSize(room.minimumSizeHint().width(), minH));
        }
        return *m_hints;
    }

    const QString m_room;
    mutable std::optional<std::pair<QSize, QSize>> m_hints;
    // The width of the text last painted.
    QString m_measured;
    int m_wide = 0;
};

// A frame's layout: left as it is while its window says a change moves nothing
// (a steady label's new text).
class FrameLayout : public QVBoxLayout {
public:
    FrameLayout(QWidget* frame, const bool& placesKept) : QVBoxLayout(frame), m_placesKept(placesKept) {}
    void invalidate() override
    {
        if (!m_placesKept) QVBoxLayout::invalidate();
    }

private:
    const bool& m_placesKept;
};

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption, int pointSize = 0)
{
    auto* l = new SteadyLabel(caption, parent);
    l->setObjectName(name);
    if (pointSize > 0) {
        QFont f = l->font();
        f.setPointSize(pointSize);
        l->setFont(f);
    }
    return l;
}

// A frame whose outline takes a chosen colour. Painted, not styled: a style
// sheet on the frame would reset the colours of everything inside it.
class OutlineFrame : public QFrame {
public:
    using QFrame::QFrame;
    void setOutline(const QColor& c)
    {
        m_outline = c;
        update();
    }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        if (!m_outline.isValid()) return QFrame::paintEvent(e);
        QPainter p(this);
        p.setPen(QPen(m_outline, 2));
        p.drawRect(rect().adjusted(1, 1, -1, -1));
    }

private:
    QColor m_outline;
};

// A frame (a shape in the original) with its caption-less label that takes the double-click.
QFrame* MakeFrame(QWidget* parent, const QString& name, const QString& catcher, QLayout* content,
                  const bool& placesKept)
{
    auto* frame = new OutlineFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::Box);
    auto* v = new FrameLayout(frame, placesKept);
    v->setContentsMargins(4, 0, 4, 4);
    v->setSpacing(2);
    auto* s = new QLabel(frame);
    s->setObjectName(catcher);
    s->setFixedHeight(8);
    v->addWidget(s);
    v->addLayout(content);
    return frame;
}

const char* const kFeeCaptions[] = {" 번호입력", " 발권번호", " 출차일시", " 입차일시",
                                    " 할인시간", " 주차시간", " 주차요금", " 영수금액 "};
const char* const kTotalsCaptions[] = {" 근무자명 : ", " 일반 입차수 : ", " 정기 입차수 :", " 일반 출차수 :",
                                       " 정기 출차수 :", " 총수입 금액 :"};
const char* const kCarCaptions[] = {" 일반 입차수 : ", " 일반 출차수 :", " 일반 잔류수 :", " 정기 입차수 :",
                                    " 정기 출차수 : ", " 정기 잔류수 :", " 합계  :"};

} // namespace

// Swallows the menu bar's notice of a changed action while on (see setActionEnabled).
class QuietActionChanges : public QObject {
public:
    bool on = false;

protected:
    bool eventFilter(QObject*, QEvent* e) override { return on && e->type() == QEvent::ActionChanged; }
};

// Where each key's last press went (the main screen, or a box or prompt above
// it) and how many tickets had been shown by then. A release acts on the main
// screen only for a press the main screen got. A key is known by itself, not by
// the character it made (physicalKeyOf).
class KeyPressLog : public QObject {
public:
    struct Press {
        quint32 shown = 0;
    };
    KeyPressLog(const QWidget& main, std::function<quint32()> shown) : m_main(main), m_shown(std::move(shown))
    {
        if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
    }
    ~KeyPressLog() override
    {
        if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    }
    std::optional<Press> take(const QKeyEvent& release)
    {
        const auto it = m_presses.find(physicalKeyOf(release));
        if (it == m_presses.end()) return std::nullopt;
        const Press p = *it;
        m_presses.erase(it);
        return p;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        const auto* k = static_cast<const QKeyEvent*>(e);
        if (k->isAutoRepeat()) return false;
        // Seen again at each widget the press passes through, within one window.
        if (static_cast<const QWidget*>(watched)->window() != &m_main) m_presses.remove(physicalKeyOf(*k));
        else m_presses.insert(physicalKeyOf(*k), Press{m_shown()});
        return false;
    }

private:
    const QWidget& m_main;
    std::function<quint32()> m_shown;
    QHash<PhysicalKey, Press> m_presses;
};

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("main"));
    m_paintLater.setSingleShot(true);
    connect(&m_paintLater, &QTimer::timeout, this,
            [this] { QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest)); });
    m_catchUp.setSingleShot(true);
    m_catchUp.setInterval(kPaintMs);
    connect(&m_catchUp, &QTimer::timeout, this, [this] {
        flushList1();
        flushTotals();
    });
    setWindowTitle(QStringLiteral(" 주차관리 시스템"));
    m_timer1.setParent(this);
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setInterval(1000);
    // Queued, so the timer fires again while a tick waits; the tick decides
    // whether it may run then.
    connect(&m_timer1, &QTimer::timeout, this, &MainWindow::tick, Qt::QueuedConnection);
    onEnd = [](int code) { QCoreApplication::exit(code); };
    onTick = [this] {
        if (m_st) Timer1_Tick(*m_st);
    };
    functionActions = DefaultFunctionKeyActions();
    m_presses = std::make_unique<KeyPressLog>(*this, [this] { return m_st ? m_st->trx.ShownCount : 0u; });
    chooseColour = [this](const QColor& current) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(current, this);
        if (!c.isValid()) return std::nullopt;
        return c;
    };
    buildMenus();
    m_quietBar = new QuietActionChanges;
    m_quietBar->setParent(this);
    menuBar()->installEventFilter(m_quietBar);
    buildCentral();
    // Alt and F10 reach the menu bar; the keyboard comes back to the ticket box (the bar owns it).
    // F10 bound to a discount or function key stays that key.
    new MenuBarKeys(
        *menuBar(), [this] { return m_tnum; },
        [this] { return m_st && BoothKeyBound(*m_st, VK_F1 + 9, 0); });
}

MainWindow::~MainWindow()
{
    m_catchUp.stop(); // the list and labels go with the central widget
    // The lamps follow m_connect1/m_connect2: they go before those members do.
    delete takeCentralWidget();
}

void MainWindow::buildMenus()
{
    QMenuBar* bar = menuBar();
    const auto item = [this](QWidget* owner, const char* name, const char* caption) {
        auto* a = new QAction(QString::fromUtf8(caption), this);
        a->setObjectName(QString::fromUtf8(name));
        owner->addAction(a);
        const QString menu = a->objectName();
        connect(a, &QAction::triggered, this, [this, menu] {
            if (m_menus) guarded([&] { m_menus->click(menu); });
        });
        return a;
    };
    const auto submenu = [this, bar](const char* name, const char* caption) {
        auto* m = new QMenu(QString::fromUtf8(caption), this);
        m->setObjectName(QString::fromUtf8(name));
        bar->addMenu(m);
        return m;
    };
    const auto separator = [](QMenu* m, const char* name) { m->addSeparator()->setObjectName(QString::fromUtf8(name)); };

    item(bar, "Mnu1", "영업마감");
    item(bar, "Mnu2", "정기권관리");
    QMenu* search = submenu("MnuSearch", "자료검색");
    item(search, "Mnu3", "일반권 입출차 현황");
    item(search, "Mnu4", "정기권 입출차 현황");
    item(search, "Mnu5", "정기권 부정입출 현황");
    item(search, "MnuBing", "출차취소 현황");
    QMenu* sys = submenu("Mnu6", "시스템설정");
    item(sys, "MnuFee", "요금테이블");
    item(sys, "MnuPort", "Comm 포트설정");
    item(sys, "MnuDisc", "할인 및 기능키 설정");
    item(sys, "MnuWork", "근무자및 화면설정");
    item(sys, "MnuEtc", "인쇄옵션 설정");
    separator(sys, "MnuDumy1");
    item(sys, "MnuSysBackUp", "시스템설정 백업");
    item(sys, "MnuSysRestore", "시스템설정 복구");
    separator(sys, "MnuDumy2");
    item(sys, "MnuJungBackUp", "정기권자료 백업");
    item(sys, "MnuJungRestore", "정기권자료 복구");
    separator(sys, "MnuDumy3");
    item(sys, "MnuData", "데이터베이스관리");
    item(sys, "MnuNewTD", "발권기 주차권교환");
    item(sys, "MnuTDTime", "발권기 안내문구 설정");
    item(sys, "Mnu_OutRd", "판독기 안내문구 설정");
    item(bar, "Mnu8", "종료");
    QAction* td = item(bar, "Mnu_Td", "장비설정");
    QAction* debug = item(bar, "Mnu_Debug", "DEBUG");
    item(bar, "MnuInfo", "프로그램 정보");
    for (QAction* a : {td, debug}) {
        a->setVisible(false);
        a->setEnabled(false);
    }
}

void MainWindow::buildCentral()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* outer = new QHBoxLayout(central);

    m_sideMenu = new QListWidget(central);
    m_sideMenu->setObjectName(QStringLiteral("lbxDemoList"));
    m_sideMenu->setFixedWidth(170);
    // Clicked, never focused: the keyboard stays in the ticket box (the menu bar
    // is the keyboard's road to these items).
    m_sideMenu->setFocusPolicy(Qt::NoFocus);
    for (const SideMenuItem& i : kSideMenu) m_sideMenu->addItem(QString::fromUtf8(i.text));
    connect(m_sideMenu, &QListWidget::itemClicked, this, [this](QListWidgetItem* it) {
        if (m_menus && it) {
            const QString text = it->text();
            guarded([&] { m_menus->sideMenuClick(text); });
        }
    });
    outer->addWidget(m_sideMenu);

    auto* area = new QVBoxLayout;
    outer->addLayout(area, 1);

    // Fee panel.
    auto* fee = new QGridLayout;
    for (int i = 0; i < 8; ++i) fee->addWidget(MakeLabel(central, Indexed("POut", i), QString::fromUtf8(kFeeCaptions[i]), i < 7 ? 18 : 0), i, 0);
    m_tnum = new QLineEdit(central);
    m_tnum->setObjectName(QStringLiteral("TNum"));
    m_tnum->setMaxLength(16);
    QFont tf = m_tnum->font();
    tf.setPointSize(18);
    m_tnum->setFont(tf);
    fee->addWidget(m_tnum, 0, 1);
    for (int i = 0; i < 7; ++i) fee->addWidget(MakeLabel(central, Indexed("LOut", i), QString(), i >= 1 ? 18 : 0), i, i == 0 ? 2 : 1);
    m_fnd = new Fnd1(central);
    m_fnd->setObjectName(QStringLiteral("Fnd"));
    m_fnd->setColumn(11);
    m_fnd->setMaxLength(7);
    m_fnd->FndInit();
    fee->addWidget(m_fnd, 8, 0, 1, 2);

    // Car counters.
    auto* cars = new QGridLayout;
    for (int i = 0; i < 7; ++i) {
        cars->addWidget(MakeLabel(central, Indexed("Label1", i + 6), QString::fromUtf8(kCarCaptions[i])), i, 0);
        cars->addWidget(MakeLabel(central, Indexed("CarCnt", i), QStringLiteral("0")), i, 1);
    }
    // Period totals.
    auto* totals = new QGridLayout;
    const QStringList values{QStringLiteral("WName"), QStringLiteral("LCnt_0"), QStringLiteral("LCnt_2"),
                             QStringLiteral("LCnt_1"), QStringLiteral("LCnt_4"), QStringLiteral("LCnt_7")};
    for (int i = 0; i < 6; ++i) {
        totals->addWidget(MakeLabel(central, Indexed("Label1", i), QString::fromUtf8(kTotalsCaptions[i])), i, 0);
        QLabel* value = MakeLabel(central, values[i], QString());
        totals->addWidget(value, i, 1);
        m_totals.append(value);
    }
    // Devices.
    auto* devices = new QGridLayout;
    devices->addWidget(MakeLabel(central, QStringLiteral("LblM_0"), QStringLiteral("주차권 발권기")), 0, 0);
    devices->addWidget(MakeLabel(central, QStringLiteral("LblWarning1"), QStringLiteral("발행기 이상발생!")), 0, 1);
    devices->addWidget(MakeLabel(central, QStringLiteral("LblWarning2"), QStringLiteral("주차권없음")), 0, 2);
    devices->addWidget(MakeLabel(central, QStringLiteral("Label3"), QStringLiteral("잔여주차권매수:")), 1, 0);
    devices->addWidget(MakeLabel(central, QStringLiteral("LblTDCnt"), QStringLiteral("0")), 1, 1);
    devices->addWidget(MakeLabel(central, QStringLiteral("LblM_3"), QStringLiteral("호스트")), 2, 0);
    QWidget* c1 = MakeConnectWidget(m_connect1, central);
    c1->setObjectName(QStringLiteral("Connect1"));
    QWidget* c2 = MakeConnectWidget(m_connect2, central);
    c2->setObjectName(QStringLiteral("Connect2"));
    devices->addWidget(c1, 2, 1);
    devices->addWidget(c2, 2, 2);
    devices->addWidget(MakeLabel(central, QStringLiteral("LblM_4"), QStringLiteral("주차권 리더기")), 3, 0);
    auto* rd = new QFrame(central);
    rd->setObjectName(QStringLiteral("ShapeRD"));
    rd->setFixedSize(24, 24);
    rd->setAutoFillBackground(true);
    rd->setStyleSheet(QStringLiteral("QFrame#ShapeRD { background: rgb(0,200,0); border-radius: 12px; }"));
    devices->addWidget(rd, 3, 1);
    // The reader's last write and print.
    devices->addWidget(MakeLabel(central, QStringLiteral("Label4"), QString()), 4, 0);
    devices->addWidget(MakeLabel(central, QStringLiteral("Label5"), QString()), 4, 1, 1, 2);
    for (QWidget* w : std::initializer_list<QWidget*>{central->findChild<QLabel*>(QStringLiteral("LblWarning1")),
                                                     central->findChild<QLabel*>(QStringLiteral("LblWarning2")), rd, c1, c2})
        w->hide();

    // Message list, message panel, busy and archive marks, clock.
    auto* listBox = new QVBoxLayout;
    m_list1 = new QListWidget(central);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setFocusPolicy(Qt::NoFocus);
    // One line each: without this every appended line lays out the whole list again.
    m_list1->setUniformItemSizes(true);
    listBox->addWidget(m_list1);
    auto* msgBox = new QHBoxLayout;
    msgBox->addWidget(MakeLabel(central, QStringLiteral("PnlMsg"), QString(), 14), 1);
    auto* busyBox = new QHBoxLayout;
    QLabel* busy = MakeLabel(central, QStringLiteral("LblBusy"), QStringLiteral("BUSY"));
    busy->hide();
    busyBox->addWidget(busy);
    auto* archive = new QFrame(central);
    archive->setObjectName(QStringLiteral("Shape1"));
    archive->setFixedSize(24, 24);
    archive->setStyleSheet(QStringLiteral("QFrame#Shape1 { background: rgb(255,0,0); }"));
    archive->hide();
    busyBox->addWidget(archive);
    auto* timeBox = new QHBoxLayout;
    timeBox->addWidget(MakeLabel(central, QStringLiteral("PnlTime"), QString(), 12));

    auto* row1 = new QHBoxLayout;
    row1->addWidget(MakeFrame(central, QStringLiteral("Shape2"), QStringLiteral("s2"), fee, m_placesKept), 3);
    auto* right1 = new QVBoxLayout;
    right1->addWidget(MakeFrame(central, QStringLiteral("Shape3"), QStringLiteral("s3"), cars, m_placesKept));
    right1->addWidget(MakeFrame(central, QStringLiteral("Shape4"), QStringLiteral("s4"), totals, m_placesKept));
    row1->addLayout(right1, 2);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(MakeFrame(central, QStringLiteral("Shape11"), QStringLiteral("s11"), listBox, m_placesKept), 3);
    row2->addWidget(MakeFrame(central, QStringLiteral("Shape9"), QStringLiteral("s9"), devices, m_placesKept), 2);
    auto* row3 = new QHBoxLayout;
    row3->addWidget(MakeFrame(central, QStringLiteral("Shape12"), QStringLiteral("s12"), msgBox, m_placesKept), 3);
    row3->addWidget(MakeFrame(central, QStringLiteral("Shape14"), QStringLiteral("s14"), busyBox, m_placesKept), 0);
    row3->addWidget(MakeFrame(central, QStringLiteral("Shape13"), QStringLiteral("s13"), timeBox, m_placesKept), 2);
    area->addLayout(row1, 3);
    area->addLayout(row2, 2);
    area->addLayout(row3, 0);

    for (QLabel* l : central->findChildren<QLabel*>())
        if (!c1->isAncestorOf(l) && !c2->isAncestorOf(l)) watch(l);
    watch(m_list1);
    m_list1->viewport()->installEventFilter(this);
    watch(m_sideMenu);
    watch(m_tnum);

    connect(m_tnum, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (const auto fixed = TNum_Change(text)) {
            m_tnum->setText(*fixed);
            m_tnum->end(false);
        }
    });
    resize(1024, 740);
}

void MainWindow::watch(QWidget* w)
{
    w->installEventFilter(this);
}

void MainWindow::attach(Station& st)
{
    m_st = &st;
    m_menus = std::make_unique<Menus>(st, *this);
    // The host and master routines drive the station's lamp states.
    bindLamp(QStringLiteral("Connect1"), st.Connect1);
    bindLamp(QStringLiteral("Connect2"), st.Connect2);
    // Screens opened over the main screen (the trace monitor) go with the station.
    st.screens.closeAll = [this] {
        for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isWindow()) delete w;
        m_st = nullptr;
    };
}

void MainWindow::bindLamp(const QString& name, Connect& state)
{
    QWidget* old = findChild<QWidget*>(name);
    if (!old || !old->parentWidget() || !old->parentWidget()->layout()) return;
    QWidget* lamp = MakeConnectWidget(state, old->parentWidget());
    lamp->setObjectName(name);
    delete old->parentWidget()->layout()->replaceWidget(old, lamp);
    delete old;
}

Connect& MainWindow::connect1() { return m_st ? m_st->Connect1 : m_connect1; }

Connect& MainWindow::connect2() { return m_st ? m_st->Connect2 : m_connect2; }

bool MainWindow::isVisible(const QString& control) const
{
    // The widget's own flag: the window itself may still be hidden.
    if (const auto* w = qobject_cast<const QWidget*>(this->control(control))) return !w->isHidden();
    return false;
}

void MainWindow::beep() { QApplication::beep(); }

void MainWindow::load()
{
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect r = s->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    Main_FormLoad(*m_st);
    m_fnd->Fnd_Display(kFndIdle);
    ApplyFormMode(*m_st, *this);
    m_timer1.start();
}

void MainWindow::registerScreen(const QString& form, ScreenFactory show)
{
    m_screens.insert(form, std::move(show));
}

void MainWindow::guarded(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const std::exception& e) {
        if (m_st) m_st->msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("Tarvola"));
    }
}

void MainWindow::tick()
{
    // A tick posted just before the timer stopped (shut-down, a restore) does not run.
    if (!m_st || !m_timer1.isActive()) return;
    if (onTick) {
        guarded(onTick);
    } else {
        setText(QStringLiteral("PnlTime"), m_st->clock.now().toString(QStringLiteral("yyyy년MM월dd일 HH시mm분ss초")));
    }
}

void MainWindow::keyUp(int keyCode, int shift)
{
    if (!m_st) return;
    guarded([&] {
        if (!ExitKeys_KeyUp(*m_st, keyCode, shift)) FunctionKey(*m_st, *m_menus, functionActions, keyCode, shift);
    });
}

void MainWindow::colourDoubleClick(const QString& controlName)
{
    if (!m_st) return;
    const auto key = ColourKeyForDoubleClick(controlName);
    if (!key || !MayChooseColours(*m_st) || !chooseColour) return;
    const auto* w = qobject_cast<QWidget*>(control(controlName));
    const auto chosen = chooseColour(w ? w->palette().color(QPalette::WindowText) : QColor());
    if (!chosen) return;
    guarded([&] { ApplyColourChoice(*m_st, *key, *chosen); });
}

void MainWindow::keyReleaseEvent(QKeyEvent* e) { keyReleased(*e); }

void MainWindow::keyReleased(const QKeyEvent& e)
{
    if (isRepeatRelease(e) || !m_st) return;
    auto press = m_presses->take(e);
    // Let go while the menus hold the keyboard (theirs never get here): it went
    // down before they took it, and is no key of this screen's now.
    if (MenusHaveKeyboard(*menuBar())) press.reset();
    const auto vk = toVirtualKey(e);
    if (!vk) return;
    // A press that went to a box or a prompt: its release is no exit or function
    // key here (an Enter's still takes the ticket's guard).
    const KeyPressed when = !press                                   ? KeyPressed::Elsewhere
                            : press->shown == m_st->trx.ShownCount ? KeyPressed::AfterShown
                                                                     : KeyPressed::BeforeShown;
    guarded([&] {
        if (!ExitKeys_KeyUp(*m_st, vk->keyCode, vk->shift, when) && press)
            FunctionKey(*m_st, *m_menus, functionActions, vk->keyCode, vk->shift);
    });
}

bool MainWindow::event(QEvent* e)
{
    if (e->type() == QEvent::UpdateRequest) {
        // Painted a moment ago: what changed since is painted together once the time is up
        // (Qt asks for no other paint of the window until this one is done).
        if (m_painted.isValid() && m_painted.elapsed() < kPaintMs) {
            if (!m_paintLater.isActive()) m_paintLater.start(int(kPaintMs - m_painted.elapsed()));
            return true;
        }
        m_paintLater.stop();
        m_painted.start();
        flushList1();
        flushTotals();
    }
    return QMainWindow::event(e);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonDblClick) {
        QObject* target = watched == m_list1->viewport() ? m_list1 : watched;
        colourDoubleClick(target->objectName());
        return false;
    }
    if (e->type() == QEvent::KeyPress && watched == m_tnum && m_st) {
        auto* k = static_cast<QKeyEvent*>(e);
        int ascii = 0;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) ascii = 13;
        else if (!k->text().isEmpty()) ascii = k->text().at(0).unicode();
        bool swallow = false;
        if (ascii != 0) guarded([&] { swallow = TNum_KeyPress(*m_st, ascii); });
        return swallow;
    }
    if (e->type() == QEvent::KeyRelease && qobject_cast<QWidget*>(watched) && watched != this) {
        keyReleased(*static_cast<QKeyEvent*>(e));
        return true; // handled here, not again by the window
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::closeEvent(QCloseEvent* e)
{
    if (m_ended || !m_st) {
        e->accept();
        return;
    }
    bool yes = false;
    guarded([&] { yes = Shutdown_Confirm(*m_st); });
    if (!yes) {
        e->ignore();
        return;
    }
    m_timer1.stop();
    Shutdown_Run(*m_st);
    m_ended = true;
    e->accept();
    if (onEnd) onEnd(0);
}

QObject* MainWindow::control(const QString& name) const
{
    if (name == objectName()) return const_cast<MainWindow*>(this);
    // A control deleted or renamed since is looked for again.
    const auto it = m_controls.constFind(name);
    if (it != m_controls.constEnd() && *it && (*it)->objectName() == name) return *it;
    QObject* found = findChild<QObject*>(name);
    if (found) m_controls.insert(name, found);
    return found;
}

void MainWindow::setText(const QString& name, const QString& text)
{
    QObject* o = control(name);
    if (o == this) setWindowTitle(text);
    else if (o == m_fnd) {
        m_fndText = text;
        m_fnd->Fnd_Display(text);
    } else if (auto* steady = dynamic_cast<SteadyLabel*>(o)) {
        // A totals label's text set by hand comes after the totals asked for before it.
        if (m_totals.contains(steady)) flushTotals();
        const QScopedValueRollback keep(m_placesKept, true);
        steady->setText(text);
    } else if (auto* l = qobject_cast<QLabel*>(o)) l->setText(text);
    else if (auto* le = qobject_cast<QLineEdit*>(o)) le->setText(text);
    else if (auto* a = qobject_cast<QAction*>(o)) a->setText(text);
    else if (auto* m = qobject_cast<QMenu*>(o)) m->setTitle(text);
}

QString MainWindow::text(const QString& name) const
{
    QObject* o = control(name);
    if (o == this) return windowTitle();
    // Nobody reads totals older than the last record.
    if (m_totals.contains(qobject_cast<QWidget*>(o))) const_cast<MainWindow*>(this)->flushTotals();
    if (o == m_fnd) return m_fndText;
    if (auto* l = qobject_cast<QLabel*>(o)) return l->text();
    if (auto* le = qobject_cast<QLineEdit*>(o)) return le->text();
    if (auto* a = qobject_cast<QAction*>(o)) return a->text();
    if (auto* m = qobject_cast<QMenu*>(o)) return m->title();
    return {};
}

void MainWindow::setForeColor(const QString& name, const QColor& c)
{
    auto* w = qobject_cast<QWidget*>(control(name));
    if (!w) return;
    if (auto* f = dynamic_cast<OutlineFrame*>(w)) {
        f->setOutline(c);
        return;
    }
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}

void MainWindow::setBackColor(const QString& name, const QColor& c)
{
    auto* w = qobject_cast<QWidget*>(control(name));
    if (!w) return;
    QPalette p = w->palette();
    p.setColor(w->backgroundRole(), c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QColor MainWindow::backColor(const QString& name) const
{
    auto* w = qobject_cast<QWidget*>(control(name));
    return w ? w->palette().color(w->backgroundRole()) : QColor();
}

void MainWindow::setVisible(const QString& name, bool visible)
{
    QObject* o = control(name);
    if (auto* m = qobject_cast<QMenu*>(o)) m->menuAction()->setVisible(visible);
    else if (auto* a = qobject_cast<QAction*>(o)) a->setVisible(visible);
    else if (auto* w = qobject_cast<QWidget*>(o)) w->setVisible(visible);
}

void MainWindow::setEnabled(const QString& name, bool enabled)
{
    QObject* o = control(name);
    if (auto* m = qobject_cast<QMenu*>(o)) setActionEnabled(*m->menuAction(), enabled);
    else if (auto* a = qobject_cast<QAction*>(o)) setActionEnabled(*a, enabled);
    else if (auto* w = qobject_cast<QWidget*>(o)) w->setEnabled(enabled);
}

void MainWindow::setActionEnabled(QAction& a, bool enabled)
{
    QMenuBar* bar = menuBar();
    // The bar hears of the change only to lay itself, and the window, out again:
    // a greyed title takes the same place. A bar the desktop shows hears of it.
    if (bar->isNativeMenuBar()) {
        a.setEnabled(enabled);
        return;
    }
    const bool wasEnabled = a.isEnabled();
    m_quietBar->on = true;
    a.setEnabled(enabled);
    m_quietBar->on = false;
    if (a.isEnabled() != wasEnabled && a.associatedObjects().contains(bar)) bar->update();
}

bool MainWindow::isEnabled(const QString& name) const
{
    QObject* o = control(name);
    if (auto* m = qobject_cast<QMenu*>(o)) return m->menuAction()->isEnabled();
    if (auto* a = qobject_cast<QAction*>(o)) return a->isEnabled();
    if (auto* w = qobject_cast<QWidget*>(o)) return w->isEnabled();
    return false;
}

void MainWindow::setMaxLength(const QString& name, int length)
{
    if (auto* le = qobject_cast<QLineEdit*>(control(name))) le->setMaxLength(length);
}

void MainWindow::setFocus(const QString& name)
{
    if (auto* w = qobject_cast<QWidget*>(control(name))) w->setFocus();
}

void MainWindow::appendList1(const QString& line)
{
    // Added at the next paint, with every line since: each change of the list lays
    // all its lines out again. Only the newest lines stay.
    m_list1Pending.append(line);
    if (m_list1Pending.size() > kList1Lines) m_list1Pending.removeFirst();
    m_list1->viewport()->update();
    // A hidden window is not painted: its list catches up a moment later.
    if (!m_catchUp.isActive()) m_catchUp.start();
}

void MainWindow::flushList1()
{
    if (m_list1Pending.isEmpty()) return;
    const int over = m_list1->count() + int(m_list1Pending.size()) - kList1Lines;
    if (over > 0) m_list1->model()->removeRows(0, std::min(over, m_list1->count()));
    m_list1->addItems(m_list1Pending);
    m_list1Pending.clear();
    m_list1->setCurrentRow(m_list1->count() - 1);
}

QListWidget* MainWindow::list1()
{
    flushList1();
    return m_list1;
}

void MainWindow::refreshTotals()
{
    // Read at the next paint, once for every record since: a busy station records
    // far more often than a screen shows.
    m_totalsStale = true;
    if (!m_totals.isEmpty()) m_totals.first()->update();
    if (!m_catchUp.isActive()) m_catchUp.start();
}

void MainWindow::flushTotals()
{
    // Also run from within a wait or a dialog: never on a closed database.
    if (!m_totalsStale || !m_st || !m_st->Db.isValid() || !m_st->Db.isOpen()) return;
    m_totalsStale = false;
    guarded([&] { ShowPeriodTotals(*m_st); });
}

void MainWindow::setTimerEnabled(bool on)
{
    if (on) m_timer1.start();
    else m_timer1.stop();
}

void MainWindow::setMousePointer(Qt::CursorShape shape)
{
    setCursor(shape);
}

void MainWindow::unload()
{
    close();
}

void MainWindow::showModal(const QString& form)
{
    const auto it = m_screens.constFind(form);
    if (it == m_screens.constEnd()) return;
    const ScreenFactory show = it.value();
    show(this);
}

void MainWindow::showModeless(const QString& form)
{
    showModal(form);
}

} // namespace tolvo
