#include "season/ListScreens.h"

#include "core/Sql.h"
#include "core/Station.h"
#include "platform/Vb.h"
#include "season/RecordLists.h"
#include "serial/PrintFrame.h"
#include "widgets/DateTimeFields.h"
#include "widgets/FocusOrder.h"
#include "widgets/FormMode.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tolvo {

namespace {

std::vector<GridColumn> NamedColumns(std::initializer_list<const char*> fields)
{
    std::vector<GridColumn> out;
    for (const char* f : fields) out.push_back({QString::fromUtf8(f), QString::fromUtf8(f)});
    return out;
}

std::vector<GridColumn> SeasonColumns(bool withStamp)
{
    auto c = NamedColumns({"입차일자", "입차시간", "출차일자", "출차시간", "입출상태", "정기권번호", "차량번호", "이름", "종료일"});
    if (withStamp) {
        c.push_back({QStringLiteral("처리일시"), QStringLiteral("처리일시")});
        c.push_back({QStringLiteral("입출구분"), QStringLiteral("입출구분")});
    }
    return c;
}

QPushButton* Button(QWidget* parent, const QString& caption, const QString& name)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

// A grid headed by its label, with its buttons and count below.
QWidget* Side(QWidget* parent, const QString& heading, const ListGrid& g, std::initializer_list<QWidget*> controls,
              const QString& frameName = {})
{
    auto* box = new QGroupBox(parent);
    if (!frameName.isEmpty()) box->setObjectName(frameName);
    auto* v = new QVBoxLayout(box);
    v->addWidget(new QLabel(heading, box));
    v->addWidget(g.view);
    auto* h = new QHBoxLayout;
    for (QWidget* w : controls) h->addWidget(w);
    h->addStretch();
    h->addWidget(g.count);
    v->addLayout(h);
    return box;
}

bool IsActivation(QEvent* e, const QWidget& w) { return e->type() == QEvent::ActivationChange && w.isActiveWindow(); }

} // namespace

ListScreen::ListScreen(Station& st, const QString& name, const QString& caption, QWidget* parent)
    : QDialog(parent), m_st(st)
{
    setObjectName(name);
    setWindowTitle(caption);
    resize(1000, 640);
}

QLineEdit* ListScreen::makeDateBox(const QString& name)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setInputMask(QStringLiteral("9999-99-99;_"));
    e->setText(FormatDate(m_st.clock.now().date()));
    MaskedDateTimeField(e);
    return e;
}

ListGrid ListScreen::makeGrid(const QString& name, const QString& countName, std::vector<GridColumn> columns)
{
    ListGrid g;
    g.model = new RowsModel(std::move(columns), this);
    g.view = MakeGrid(this, name, g.model);
    g.count = new QLabel(this);
    g.count->setObjectName(countName);
    return g;
}

void ListScreen::guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), kListErrorCaption);
    }
}

void ListScreen::print(const ListPrintout& list, bool hourglass)
{
    if (hourglass && list.rows > 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        Print_List(m_st, list);
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("프린트 작업"));
    }
    if (hourglass && list.rows > 0) QApplication::restoreOverrideCursor();
}

void ListScreen::setFocusOrder(const QList<QWidget*>& order)
{
    SetFocusOrder(order);
    FocusFirst(order);
}

void ListScreen::finishLoad()
{
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);
}

// ---- IlList ----

FrmIlList::FrmIlList(Station& st, QWidget* parent) : ListScreen(st, QStringLiteral("IlList"), QStringLiteral("일반권 현황"), parent)
{
    m_in = makeGrid(QStringLiteral("DBGrid1"), QStringLiteral("LblRecordCount1"),
                    {{QStringLiteral("티켓번호"), QStringLiteral("티켓번호")},
                     {QStringLiteral("입차일"), QStringLiteral("입차일")},
                     {QStringLiteral("입차시간"), QStringLiteral("입차시간")},
                     {QStringLiteral("입차코드"), QStringLiteral("입차코드")}});
    m_out = makeGrid(QStringLiteral("DBGrid2"), QStringLiteral("LblRecordCount2"),
                     {{QStringLiteral("티켓번호"), QStringLiteral("티켓번호")},
                      {QStringLiteral("입차일"), QStringLiteral("입차일")},
                      {QStringLiteral("입차시간"), QStringLiteral("입차시간")},
                      {QStringLiteral("출차일"), QStringLiteral("출차일")},
                      {QStringLiteral("출차시간"), QStringLiteral("출차시간")},
                      {QStringLiteral("총주차시간"), QStringLiteral("주차시간")},
                      {QStringLiteral("총주차요금"), QStringLiteral("주차요금"), true},
                      {QStringLiteral("할인시간"), QStringLiteral("할인시간")},
                      {QStringLiteral("실수령금액"), QStringLiteral("실수령액"), true}});
    m_date = makeDateBox(QStringLiteral("MaskEdBox1"));
    auto* frame1 = new QGroupBox(QStringLiteral("자료검색"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* command5 = Button(frame1, QStringLiteral("검색"), QStringLiteral("Command5"));
    auto* f1 = new QHBoxLayout(frame1);
    m_date->setParent(frame1);
    f1->addWidget(m_date);
    f1->addWidget(command5);
    auto* command3 = Button(this, QStringLiteral("인쇄"), QStringLiteral("Command3"));
    auto* command6 = Button(this, QStringLiteral("인쇄"), QStringLiteral("Command6"));
    auto* command4 = Button(this, QStringLiteral("종료"), QStringLiteral("Command4"));

    auto* main = new QHBoxLayout(this);
    main->addWidget(Side(this, QStringLiteral("미출차 차량"), m_in, {command6}), 2);
    main->addWidget(Side(this, QStringLiteral("출  차  차  량"), m_out, {frame1, command3, command4}), 3);

    // The search, then the lists, then their printing.
    setFocusOrder({m_date, command5, m_in.view, m_out.view, command6, command3, command4});
    connect(command5, &QPushButton::clicked, this, &FrmIlList::search);
    connect(command3, &QPushButton::clicked, this, &FrmIlList::printOut);
    connect(command6, &QPushButton::clicked, this, &FrmIlList::printIn);
    connect(command4, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_in.view, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { deleteRow(i.row()); });
    activate();
    finishLoad();
}

void FrmIlList::activate()
{
    guarded([this] {
        m_in.model->setRows(ReadRows(m_st.Db, kIlInSql));
        m_out.model->setPaged(IlOutLive(m_st.Db));
    });
    for (ListGrid* g : {&m_in, &m_out}) {
        GridToLastRow(*g->view);
        g->count->setText(CountText(g->model->rowCount()));
    }
    m_date->setText(FormatDate(m_st.clock.now().date()));
}

void FrmIlList::search()
{
    guarded([this] {
        DayRows d = LoadDayRows(m_st, m_date->displayText(), kIlbanPrefix, kIlOutSql, false);
        m_date->setText(d.day);
        if (d.source == DaySource::Live) m_out.model->setPaged(IlOutLive(m_st.Db));
        else m_out.model->setRows(std::move(d.rows));
    });
    GridToLastRow(*m_out.view);
    m_out.count->setText(CountText(m_out.model->rowCount()));
}

void FrmIlList::printOut() { print(IlList_OutPrintout(m_out.model->rows(), m_st.clock.now()), true); }

void FrmIlList::printIn() { print(IlList_InPrintout(m_in.model->rows(), m_st.clock.now()), true); }

void FrmIlList::reloadIn()
{
    guarded([this] { m_in.model->setRows(ReadRows(m_st.Db, kIlInSql)); });
    GridToLastRow(*m_in.view);
    m_in.count->setText(CountText(m_in.model->rowCount()));
}

void FrmIlList::deleteRow(int row)
{
    bool deleted = false;
    guarded([&] { deleted = IlList_Delete(m_st, m_in.model->rows(), row); });
    // The count follows the grid at once, not only at the next activation.
    if (deleted) reloadIn();
}

void FrmIlList::changeEvent(QEvent* event)
{
    ListScreen::changeEvent(event);
    if (IsActivation(event, *this)) activate();
}

// ---- JioList ----

FrmJioList::FrmJioList(Station& st, QWidget* parent)
    : ListScreen(st, QStringLiteral("JioList"), QStringLiteral("정기권 현황"), parent)
{
    m_in = makeGrid(QStringLiteral("DBGrid1"), QStringLiteral("LblRecordCount1"), SeasonColumns(true));
    m_out = makeGrid(QStringLiteral("DBGrid2"), QStringLiteral("LblRecordCount2"), SeasonColumns(true));
    m_date = makeDateBox(QStringLiteral("MaskEdBox1"));
    auto* command2 = Button(this, QStringLiteral("인쇄"), QStringLiteral("Command2"));
    auto* command3 = Button(this, QStringLiteral("종료"), QStringLiteral("Command3"));
    auto* command5 = Button(this, QStringLiteral("검색"), QStringLiteral("Command5"));
    auto* command1 = Button(this, QStringLiteral("인쇄"), QStringLiteral("Command1"));
    auto* command4 = Button(this, QStringLiteral("종료"), QStringLiteral("Command4"));

    auto* main = new QVBoxLayout(this);
    main->addWidget(Side(this, QStringLiteral("정기권 입차 차량"), m_in, {command2, command3}, QStringLiteral("Frame1")));
    main->addWidget(Side(this, QStringLiteral("정기권 출차 차량"), m_out, {m_date, command5, command1, command4},
                         QStringLiteral("Frame2")));

    setFocusOrder({m_date, command5, m_in.view, m_out.view, command2, command1, command3, command4});
    connect(command5, &QPushButton::clicked, this, &FrmJioList::search);
    connect(command1, &QPushButton::clicked, this, [this] { print(JioList_OutPrintout(m_out.model->rows())); });
    connect(command2, &QPushButton::clicked, this, [this] { print(JioList_InPrintout(m_in.model->rows())); });
    connect(command3, &QPushButton::clicked, this, &QDialog::accept);
    connect(command4, &QPushButton::clicked, this, &QDialog::accept);

    guarded([this] {
        m_in.model->setRows(ReadRows(m_st.Db, kJioInSql));
        m_out.model->setRows(ReadRows(m_st.Db, kJioOutSql));
    });
    activate();
    finishLoad();
}

void FrmJioList::activate()
{
    for (ListGrid* g : {&m_in, &m_out}) {
        GridToLastRow(*g->view);
        g->count->setText(CountText(g->model->rows().count()));
    }
}

void FrmJioList::search()
{
    guarded([this] {
        const DayRows d = LoadDayRows(m_st, m_date->displayText(), kJungPrefix, kJioOutSql);
        m_date->setText(d.day);
        m_out.model->setRows(d.rows);
    });
    GridToLastRow(*m_out.view);
    m_out.count->setText(CountText(m_out.model->rows().count()));
}

void FrmJioList::changeEvent(QEvent* event)
{
    ListScreen::changeEvent(event);
    if (IsActivation(event, *this)) activate();
}

// ---- BList ----

FrmBList::FrmBList(Station& st, QWidget* parent)
    : ListScreen(st, QStringLiteral("BList"), QStringLiteral("정기권 부정입출차"), parent)
{
    m_in = makeGrid(QStringLiteral("DBGrid1"), QStringLiteral("LblRecordCount1"), SeasonColumns(false));
    m_out = makeGrid(QStringLiteral("DBGrid2"), QStringLiteral("LblRecordCount2"), SeasonColumns(false));
    m_dateIn = makeDateBox(QStringLiteral("MaskEdBox2"));
    m_dateOut = makeDateBox(QStringLiteral("MaskEdBox1"));
    auto* command1 = Button(this, QStringLiteral("확인"), QStringLiteral("Command1"));
    auto* command2 = Button(this, QStringLiteral("인쇄"), QStringLiteral("Command2"));
    auto* command3 = Button(this, QStringLiteral("종료"), QStringLiteral("Command3"));
    auto* command6 = Button(this, QStringLiteral("확인"), QStringLiteral("Command6"));
    auto* command5 = Button(this, QStringLiteral("인쇄"), QStringLiteral("Command5"));
    auto* command4 = Button(this, QStringLiteral("종료"), QStringLiteral("Command4"));

    auto* main = new QVBoxLayout(this);
    main->addWidget(Side(this, QStringLiteral("부정 입차 차량"), m_in, {m_dateIn, command1, command2, command3},
                         QStringLiteral("Frame1")));
    main->addWidget(Side(this, QStringLiteral("부정 출차 차량"), m_out, {m_dateOut, command6, command5, command4},
                         QStringLiteral("Frame2")));

    setFocusOrder({m_dateIn, command1, m_dateOut, command6, m_in.view, m_out.view, command2, command5, command3, command4});
    connect(command1, &QPushButton::clicked, this, [this] { loadSide(false); });
    connect(command6, &QPushButton::clicked, this, [this] { loadSide(true); });
    connect(command2, &QPushButton::clicked, this, [this] { print(BList_Printout(m_in.model->rows(), false)); });
    connect(command5, &QPushButton::clicked, this, [this] { print(BList_Printout(m_out.model->rows(), true)); });
    connect(command3, &QPushButton::clicked, this, &QDialog::accept);
    connect(command4, &QPushButton::clicked, this, &QDialog::accept);

    guarded([this] {
        BList_Clear(m_st);
        m_in.model->setRows(BList_Side(m_st, false));
        m_out.model->setRows(BList_Side(m_st, true));
    });
    activate();
    finishLoad();
}

void FrmBList::activate()
{
    for (ListGrid* g : {&m_in, &m_out}) {
        GridToLastRow(*g->view);
        g->count->setText(BListCountText(g->model->rows().count()));
    }
}

void FrmBList::loadSide(bool exits)
{
    ListGrid& g = exits ? m_out : m_in;
    QLineEdit* date = exits ? m_dateOut : m_dateIn;
    guarded([&] { date->setText(BList_Load(m_st, date->displayText())); });
    guarded([&] { g.model->setRows(BList_Side(m_st, exits)); });
    GridToLastRow(*g.view);
    g.count->setText(BListCountText(g.model->rows().count()));
}

void FrmBList::changeEvent(QEvent* event)
{
    ListScreen::changeEvent(event);
    if (IsActivation(event, *this)) activate();
}

void ShowIlList(Station& st, QWidget* parent)
{
    FrmIlList form(st, parent);
    form.exec();
}

void ShowJioList(Station& st, QWidget* parent)
{
    FrmJioList form(st, parent);
    form.exec();
}

void ShowBList(Station& st, QWidget* parent)
{
    FrmBList form(st, parent);
    form.exec();
}

} // namespace tolvo
