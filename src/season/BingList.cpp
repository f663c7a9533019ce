#include "season/BingList.h"

#include "core/Station.h"
#include "widgets/DateTimeFields.h"
#include "widgets/FocusOrder.h"
#include "widgets/FormMode.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tolvo {

namespace {

QPushButton* button(QWidget* parent, const QString& name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

BingList::BingList(Station& st, QWidget* parent) : QDialog(parent), m_st(st)
{
    setObjectName(QStringLiteral("BingList"));
    setWindowTitle(QStringLiteral("출차취소 현황"));
    build();
    const QDate today = m_st.clock.now().date();
    m_day->setDate(today);
    showDay(today);
    resize(900, 500);
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);
}

void BingList::build()
{
    auto* title = new QLabel(QStringLiteral("출차취소 현황"), this);
    title->setObjectName(QStringLiteral("Label1"));
    title->setStyleSheet(QStringLiteral("font-size: 16pt;"));

    m_grid = new QTableWidget(0, static_cast<int>(kBingColumns.size()), this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    QStringList captions;
    for (const BingColumn& c : kBingColumns) captions << QString::fromUtf8(c.caption);
    m_grid->setHorizontalHeaderLabels(captions);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->setVisible(false);

    auto* frame1 = new QGroupBox(QStringLiteral("검색일"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    m_day = new QDateEdit(frame1);
    m_day->setObjectName(QStringLiteral("DTPicker2"));
    m_day->setCalendarPopup(true);
    DateField(m_day);
    auto* ok = button(frame1, QStringLiteral("Command3"), QStringLiteral("확인"));
    auto* f1 = new QHBoxLayout(frame1);
    f1->addWidget(m_day);
    f1->addWidget(ok);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("LblRecordCount"));
    auto* print = button(this, QStringLiteral("Command1"), QStringLiteral("인쇄"));
    auto* close = button(this, QStringLiteral("Command2"), QStringLiteral("종료"));
    connect(ok, &QPushButton::clicked, this, &BingList::command3Click);
    connect(print, &QPushButton::clicked, this, &BingList::command1Click);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(frame1);
    bottom->addWidget(m_count);
    bottom->addStretch();
    bottom->addWidget(print);
    bottom->addWidget(close);
    auto* main = new QVBoxLayout(this);
    main->addWidget(title);
    main->addWidget(m_grid, 1);
    main->addLayout(bottom);
    m_grid->setTabKeyNavigation(false); // Tab goes on to the next control, not from cell to cell
    // The search, then the list, then its printing.
    const QList<QWidget*> order{m_day, ok, m_grid, print, close};
    SetFocusOrder(order);
    FocusFirst(order);
}

void BingList::showDay(const QDate& day)
{
    try {
        m_rows = BingList_Load(m_st.Db, day);
    } catch (const std::exception& e) {
        m_rows.clear();
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("자료검색 오류"));
    }
    m_grid->setRowCount(static_cast<int>(m_rows.size()));
    for (size_t r = 0; r < m_rows.size(); ++r)
        for (size_t c = 0; c < kBingColumns.size(); ++c)
            m_grid->setItem(static_cast<int>(r), static_cast<int>(c), new QTableWidgetItem(m_rows[r].cells[c]));
    // The count follows every reload.
    m_count->setText(CountLabel(CountStyle::Bare, static_cast<qint64>(m_rows.size())));
}

void BingList::command3Click() { showDay(m_day->date()); }

bool BingList::command1Click()
{
    try {
        return BingList_Print(m_st, m_rows);
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("자료검색 오류"));
        return false;
    }
}

void ShowBingList(Station& st, QWidget* parent)
{
    BingList form(st, parent);
    form.exec();
}

} // namespace tolvo
