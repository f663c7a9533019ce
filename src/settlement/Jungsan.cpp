#include "settlement/Jungsan.h"

#include "core/Station.h"
#include "settlement/Reprint.h"
#include "settlement/Totals.h"
#include "widgets/DateTimeFields.h"
#include "widgets/FormMode.h"

#include <QApplication>
#include <QDateEdit>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvo {

namespace {

const QString kAdministrator = QStringLiteral("관리자");

QLabel* label(QWidget* parent, const QString& name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

// A teal frame around one value row.
QFrame* valueRow(QWidget* parent, const QString& shape, QLabel* caption, QLabel* value)
{
    auto* f = new QFrame(parent);
    f->setObjectName(shape);
    f->setFrameShape(QFrame::Box);
    f->setStyleSheet(QStringLiteral("QFrame#%1 { border: 1px solid teal; }").arg(shape));
    auto* h = new QHBoxLayout(f);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setMinimumWidth(120);
    h->addWidget(caption);
    h->addWidget(value, 1);
    return f;
}

} // namespace

Jungsan::Jungsan(Station& st, QWidget* parent) : QDialog(parent), m_st(st)
{
    setObjectName(QStringLiteral("Jungsan"));
    setWindowTitle(QStringLiteral("영업마감"));
    build();
    showOpenTotals();
    m_frame2->setVisible(m_st.worker.WorkerName == kAdministrator);
    const QDate today = m_st.clock.now().date();
    m_from->setDate(today);
    m_to->setDate(today);
    m_workMan->setText(m_st.worker.WorkerName);
    adjustSize();
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);
}

void Jungsan::build()
{
    auto* title = label(this, QStringLiteral("Label1"), QStringLiteral("영업마감"));
    title->setStyleSheet(QStringLiteral("color: green; font-size: 18pt;"));
    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    m_workMan = label(this, QStringLiteral("WorkMan"), QString());
    auto* top = new QHBoxLayout;
    top->addWidget(title);
    top->addStretch();
    top->addWidget(label(this, QStringLiteral("LJIn_7"), QStringLiteral("근무자 : ")));
    top->addWidget(m_workMan);

    struct Row {
        const char* caption;
        const char* captionName;
        const char* valueName;
        const char* shape;
    };
    static const Row rows[5] = {{" 일반권입차수 : ", "Label3", "LJIn_0", "Shape2"},
                                {" 일반권출차수 : ", "Label4", "LJIn_3", "Shape3"},
                                {" 정기권입차수 : ", "Label5", "LJIn_4", "Shape4"},
                                {" 정기권출차수 : ", "Label6", "LJIn_5", "Shape5"},
                                {" 총수입금액 : ", "Label7", "LJIn_6", "Shape6"}};
    auto* values = new QVBoxLayout;
    for (size_t i = 0; i < 5; ++i) {
        m_values[i] = label(this, QString::fromUtf8(rows[i].valueName), QString());
        values->addWidget(valueRow(this, QString::fromUtf8(rows[i].shape),
                                   label(this, QString::fromUtf8(rows[i].captionName),
                                         QString::fromUtf8(rows[i].caption)),
                                   m_values[i]));
    }

    auto* frame1 = new QGroupBox(this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* f1 = new QVBoxLayout(frame1);
    m_status = label(frame1, QStringLiteral("Label2"), QStringLiteral("주의 : 인쇄용지가 충분한지 확인하세요."));
    m_status->setStyleSheet(QStringLiteral("color: yellow; background: black;"));
    f1->addWidget(m_status);
    const std::array<std::pair<int, const char*>, 2> buttons{{{0, "정산(&P)"}, {2, "취소(&X)"}}};
    for (size_t i = 0; i < buttons.size(); ++i) {
        const int index = buttons[i].first;
        // The red frame is drawn around the button, behind it, in the holder's margin.
        auto* holder = new QWidget(frame1);
        auto* hl = new QVBoxLayout(holder);
        hl->setContentsMargins(3, 3, 3, 3);
        auto* shape = new QFrame(holder);
        shape->setObjectName(QStringLiteral("Shape1_%1").arg(index));
        shape->setStyleSheet(QStringLiteral("QFrame#Shape1_%1 { border: 2px solid red; }").arg(index));
        shape->setVisible(false);
        shape->lower();
        holder->installEventFilter(this);
        auto* b = new QPushButton(QString::fromUtf8(buttons[i].second), holder);
        b->setObjectName(QStringLiteral("Command1_%1").arg(index));
        b->setAutoDefault(false);
        b->installEventFilter(this);
        hl->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, index] { command1Click(index); });
        m_command1[i] = b;
        m_focusFrame[i] = shape;
        f1->addWidget(holder);
    }

    m_frame2 = new QGroupBox(QStringLiteral("영업현황"), this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    auto* f2 = new QHBoxLayout(m_frame2);
    m_from = new QDateEdit(m_frame2);
    m_from->setObjectName(QStringLiteral("DTPicker1"));
    DateField(m_from);
    m_from->setCalendarPopup(true);
    m_to = new QDateEdit(m_frame2);
    m_to->setObjectName(QStringLiteral("DTPicker2"));
    DateField(m_to);
    m_to->setCalendarPopup(true);
    m_print = new QPushButton(QStringLiteral("인쇄"), m_frame2);
    m_print->setObjectName(QStringLiteral("Command2"));
    m_print->setAutoDefault(false);
    connect(m_print, &QPushButton::clicked, this, [this] { command2Click(); });
    f2->addWidget(label(m_frame2, QStringLiteral("Label8_0"), QStringLiteral("시작일:")));
    f2->addWidget(m_from);
    f2->addWidget(label(m_frame2, QStringLiteral("Label8_1"), QStringLiteral("종료일:")));
    f2->addWidget(m_to);
    f2->addWidget(m_print);
    m_frame2->setVisible(false);

    auto* middle = new QHBoxLayout;
    middle->addLayout(values, 3);
    middle->addWidget(frame1, 2);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(line);
    main->addLayout(middle);
    main->addWidget(m_frame2);
    setMinimumSize(613, 328);
}

void Jungsan::showOpenTotals()
{
    PeriodTotals t;
    try {
        t = Totals_OpenPeriod(m_st.Db);
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("Tarvola"));
    }
    showTotals(t);
}

void Jungsan::showTotals(const PeriodTotals& t)
{
    const QString texts[5] = {t.generalIn, t.generalOut, t.seasonIn, t.seasonOut, t.money};
    for (size_t i = 0; i < 5; ++i) m_values[i]->setText(texts[i]);
}

void Jungsan::setStatus(const QString& text)
{
    m_status->setText(text);
    m_status->repaint();
}

void Jungsan::setBusy(bool on)
{
    if (on)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void Jungsan::refreshTotals() { showOpenTotals(); }

void Jungsan::unload() { done(QDialog::Accepted); }

SettleResult Jungsan::command1Click(int index) { return Jungsan_Command1(m_st, *this, index); }

bool Jungsan::command2Click() { return Jungsan_Command2(m_st, *this, m_from->date(), m_to->date()); }

bool Jungsan::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        for (QFrame* f : m_focusFrame)
            if (f && watched == f->parentWidget()) f->setGeometry(f->parentWidget()->rect());
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        for (size_t i = 0; i < m_command1.size(); ++i)
            if (watched == m_command1[i]) m_focusFrame[i]->setVisible(event->type() == QEvent::FocusIn);
    }
    return QDialog::eventFilter(watched, event);
}

void ShowJungsan(Station& st, QWidget* parent)
{
    Jungsan form(st, parent);
    form.exec();
}

} // namespace tolvo
