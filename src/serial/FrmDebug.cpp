#include "serial/FrmDebug.h"

#include "serial/Comm.h"
#include "core/Station.h"
#include "widgets/TextFields.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tolvo {

namespace {
QString withoutCr(QString s) { return s.remove(QLatin1Char('\r')); }
} // namespace

FrmDebug::FrmDebug(Station& st, QWidget* parent) : QWidget(parent, Qt::Window), m_st(st), m_logic(st)
{
    setObjectName(QStringLiteral("FrmDebug"));
    setWindowTitle(QStringLiteral("Debug"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 480);

    m_text1 = new QPlainTextEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setReadOnly(true);
    m_text1->setStyleSheet(QStringLiteral("background: white;"));
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_combo2 = new QComboBox(this);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_check1 = new QCheckBox(QStringLiteral(" Debugging"), this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    auto* clear = new QPushButton(QStringLiteral("&Clear"), this);
    clear->setObjectName(QStringLiteral("Command3"));
    auto* close = new QPushButton(QStringLiteral("종료"), this);
    close->setObjectName(QStringLiteral("Command2"));

    m_frame1 = new QGroupBox(QStringLiteral("호스트"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_text2 = new QLineEdit(m_frame1);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text3 = new QLineEdit(m_frame1);
    m_text3->setObjectName(QStringLiteral("Text3"));
    m_text4 = new QLineEdit(m_frame1);
    m_text4->setObjectName(QStringLiteral("Text4"));
    auto* pollLabel = new QLabel(QStringLiteral("폴링 주기(SEC) :"), m_frame1);
    auto* save = new QPushButton(QStringLiteral("확인"), m_frame1);
    save->setObjectName(QStringLiteral("Command1"));
    auto* grid = new QGridLayout(m_frame1);
    grid->addWidget(new QLabel(QStringLiteral("응답 대기 시간(SEC) :"), m_frame1), 0, 0);
    grid->addWidget(m_text2, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("전송 주기(SEC) :"), m_frame1), 1, 0);
    grid->addWidget(m_text3, 1, 1);
    grid->addWidget(pollLabel, 2, 0);
    grid->addWidget(m_text4, 2, 1);
    grid->addWidget(save, 3, 1);
    // The poll row is loaded and saved but never shown.
    pollLabel->hide();
    m_text4->hide();

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_combo2);
    controls->addWidget(m_check1);
    controls->addStretch();
    controls->addWidget(clear);
    controls->addWidget(close);
    auto* main = new QVBoxLayout(this);
    main->addWidget(m_text1, 1);
    main->addLayout(controls);
    main->addWidget(m_frame1);

    {
        const QSignalBlocker block(m_combo2);
        m_combo2->addItems(DebugMonitor::DeviceNames());
        m_combo2->setCurrentIndex(0);
    }
    onDeviceChosen(0);
    const DebugMonitor::Timings t = m_logic.LoadTimings();
    m_text2->setText(t.pause);
    m_text3->setText(t.trans);
    m_text4->setText(t.poll);
    if (const QScreen* s = screen()) move(s->geometry().center() - rect().center());
    m_numeric = {new clsNtext(m_text2, this), new clsNtext(m_text3, this), new clsNtext(m_text4, this)};

    connect(m_combo2, &QComboBox::activated, this, &FrmDebug::onDeviceChosen);
    connect(m_check1, &QCheckBox::clicked, this, &FrmDebug::onSwitch);
    connect(clear, &QPushButton::clicked, this, [this] { m_logic.Clear(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(save, &QPushButton::clicked, this, [this] { m_logic.Save(timings()); });
    attachTrace();
}

FrmDebug::~FrmDebug() { detachTrace(); }

FrmDebug* FrmDebug::ShowFor(Station& st, QWidget* parent)
{
    FrmDebug* f = parent ? parent->findChild<FrmDebug*>(QStringLiteral("FrmDebug"), Qt::FindDirectChildrenOnly)
                         : nullptr;
    if (!f) f = new FrmDebug(st, parent);
    f->show();
    f->raise();
    f->activateWindow();
    return f;
}

void FrmDebug::closeEvent(QCloseEvent* e)
{
    m_logic.Unload(timings());
    for (clsNtext* n : m_numeric)
        if (n) n->setNText(nullptr);
    detachTrace();
    e->accept();
}

void FrmDebug::onDeviceChosen(int index) { m_frame1->setVisible(DebugMonitor::HostFrameVisible(index)); }

void FrmDebug::onSwitch(bool ticked)
{
    if (ticked && m_logic.SwitchOn(m_combo2->currentIndex())) {
        m_combo2->setEnabled(false);
        return;
    }
    m_logic.SwitchOff();
    m_check1->setChecked(false);
    m_combo2->setEnabled(true);
}

DebugMonitor::Timings FrmDebug::timings() const { return {m_text2->text(), m_text3->text(), m_text4->text()}; }

void FrmDebug::attachTrace()
{
    if (!m_st.comm) return;
    TraceLog& log = m_st.comm->trace;
    m_text1->setPlainText(withoutCr(log.text()));
    log.onAppend = [this](const QString& line) {
        QTextCursor c = m_text1->textCursor();
        c.movePosition(QTextCursor::End);
        c.insertText(withoutCr(line));
        m_text1->setTextCursor(c);
        m_text1->verticalScrollBar()->setValue(m_text1->verticalScrollBar()->maximum());
    };
    log.onReset = [this](const QString& text) {
        m_text1->setPlainText(withoutCr(text));
        m_text1->moveCursor(QTextCursor::End);
    };
}

void FrmDebug::detachTrace()
{
    if (!m_st.comm) return;
    m_st.comm->trace.onAppend = nullptr;
    m_st.comm->trace.onReset = nullptr;
}

} // namespace tolvo
