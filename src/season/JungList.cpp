#include "season/JungList.h"

#include "core/Sql.h"
#include "core/Station.h"
#include "platform/Vb.h"
#include "widgets/FocusOrder.h"
#include "widgets/FormMode.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tolvo {

namespace {

const std::vector<GridColumn>& Columns()
{
    static const std::vector<GridColumn> c = [] {
        std::vector<GridColumn> out;
        for (const char* f : {"정기권번호", "차량번호", "차종", "색상", "이름", "소속", "전화번호", "발급일", "소유자",
                              "시작일", "종료일", "월정요금"})
            out.push_back({QString::fromUtf8(f), QString::fromUtf8(f), false});
        return out;
    }();
    return c;
}

QString Blanks(int n) { return QString(n, QLatin1Char(' ')); }

} // namespace

RowSet JungList_Load(Station& st, JungListKind kind, const QString& sortItem)
{
    QString sql = QStringLiteral("SELECT * FROM 정기권");
    QVariantList values;
    if (kind == JungListKind::Expired) {
        sql += QStringLiteral(" WHERE 종료일 < ?");
        values << FormatDate(st.clock.now().date());
    }
    // Only the box's own items reach the statement, as field names.
    if (kJungSortItems.contains(sortItem)) sql += QStringLiteral("  ORDER BY ") + Id(sortItem);
    return ReadRows(st.Db, sql, values);
}

ListPrintout JungList_Printout(JungListKind kind, const RowSet& rows)
{
    const bool ledger = kind == JungListKind::Ledger;
    ListPrintout out;
    out.rows = rows.count();
    out.body = ledger ? ShortFrameHead(QStringLiteral("   [정기권 발급대장]"),
                                       QStringLiteral(" 정기권번호       차량번호       운전자 "),
                                       QStringLiteral(" 시작일        종료일"))
                      : ShortFrameHead(QStringLiteral("   [정기권 만료차량]"),
                                       QStringLiteral(" 정기권번호       차량번호        이름 "),
                                       QStringLiteral(" 전화번호    만료일"));
    for (qint64 i = 0; i < rows.count(); ++i) {
        auto f = [&](const char* name) { return rows.text(i, QString::fromUtf8(name)); };
        out.body.push_back(PrintLine(Blanks(1) + f("정기권번호") + Blanks(5) + f("차량번호") + Blanks(ledger ? 3 : 5) +
                                     f("이름")));
        out.body.push_back(PrintLine(ledger ? Blanks(1) + f("시작일") + Blanks(5) + f("종료일")
                                            : Blanks(6) + f("전화번호") + Blanks(3) + f("종료일")));
    }
    return out;
}

FrmJungList::FrmJungList(Station& st, JungListKind kind, QWidget* parent) : QDialog(parent), m_st(st), m_kind(kind)
{
    const bool ledger = kind == JungListKind::Ledger;
    setObjectName(ledger ? QStringLiteral("JungList1") : QStringLiteral("JungList2"));
    const QString heading = ledger ? QStringLiteral("정기권 발급대장") : QStringLiteral("정기권 기간만료 차량");
    setWindowTitle(heading);
    auto* label1 = new QLabel(heading, this);
    label1->setObjectName(QStringLiteral("Label1"));
    m_model = new RowsModel(Columns(), this);
    m_grid = MakeGrid(this, QStringLiteral("DBGrid1"), m_model);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("LblRecordCount"));
    auto* frame = new QGroupBox(QStringLiteral("정렬항목 선택"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_combo = new QComboBox(frame);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->addItems(kJungSortItems);
    (new QHBoxLayout(frame))->addWidget(m_combo);
    auto* print = new QPushButton(QStringLiteral("인쇄"), this);
    print->setObjectName(QStringLiteral("Command1"));
    auto* close = new QPushButton(QStringLiteral("종료"), this);
    close->setObjectName(QStringLiteral("Command2"));
    for (QPushButton* b : {print, close}) b->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(frame);
    bottom->addWidget(m_count);
    bottom->addStretch();
    bottom->addWidget(print);
    bottom->addWidget(close);
    auto* main = new QVBoxLayout(this);
    main->addWidget(label1);
    main->addWidget(m_grid);
    main->addLayout(bottom);
    resize(900, 560);
    // The choice, then the list, then its printing.
    const QList<QWidget*> order{m_combo, m_grid, print, close};
    SetFocusOrder(order);
    FocusFirst(order);

    connect(m_combo, QOverload<int>::of(&QComboBox::activated), this, &FrmJungList::sortChosen);
    connect(print, &QPushButton::clicked, this, &FrmJungList::print);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    // The first item shows, but the rows come in the database's own order.
    m_combo->setCurrentIndex(0);
    load({});
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);
}

void FrmJungList::load(const QString& sortItem)
{
    try {
        m_model->setRows(JungList_Load(m_st, m_kind, sortItem));
    } catch (const DbError& e) {
        m_model->setRows({});
        m_st.msgs.Msg_Box(e.message(), QStringLiteral("자료검색 오류"));
    }
    GridToLastRow(*m_grid);
}

void FrmJungList::activate() { m_count->setText(QString::number(m_model->rows().count())); }

void FrmJungList::sortChosen(int index) { load(m_combo->itemText(index)); }

void FrmJungList::print()
{
    try {
        Print_List(m_st, JungList_Printout(m_kind, m_model->rows()));
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("프린트 작업"));
    }
}

void FrmJungList::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) activate();
}

void ShowJungList(Station& st, JungListKind kind, QWidget* parent)
{
    FrmJungList form(st, kind, parent);
    form.activate();
    form.exec();
}

} // namespace tolvo
