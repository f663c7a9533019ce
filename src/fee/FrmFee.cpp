#include "fee/FrmFee.h"

#include "fee/Holidays.h"
#include "fee/Tariff.h"
#include "platform/Messages.h"
#include "widgets/DateTimeFields.h"
#include "widgets/FocusOrder.h"
#include "widgets/FormMode.h"
#include "core/Station.h"
#include "widgets/TextFields.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTimeEdit>

namespace tolvo {

namespace {

QString blanks(int n) { return QString(n, QLatin1Char(' ')); }

QString basicRowText() { return QStringLiteral("기본요금 :") + blanks(37) + QStringLiteral("분까지") + blanks(46) + QStringLiteral("원"); }
QString fixedRowText() { return QStringLiteral("일일 고정금액 :") + blanks(85) + QStringLiteral("원"); }
QString bandTailText() { return QStringLiteral(" 분까지") + blanks(22) + QStringLiteral("분당") + blanks(18) + QStringLiteral("원"); }

constexpr int kRowH = 24;
constexpr int kRowStep = 30;
constexpr int kLeft = 34;
// The booth display is 1024x768: the tariff panel with the holiday panel under
// it on the left, the slot table and the buttons on the right.
constexpr int kPanelW = 610;
constexpr int kRightX = 624;
constexpr int kRightW = 384;
constexpr int kHolidayY = 404;
constexpr int kFormW = kRightX + kRightW + 8;
constexpr int kFormH = 668;

// The wait cursor while the slot table is rebuilt.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The slot grid out of sight while its table is rebuilt, so it is not redrawn row by row.
class HiddenWhileRebuilt {
public:
    explicit HiddenWhileRebuilt(QWidget* grid) : m_grid(grid) { m_grid->hide(); }
    ~HiddenWhileRebuilt() { m_grid->show(); }
    HiddenWhileRebuilt(const HiddenWhileRebuilt&) = delete;
    HiddenWhileRebuilt& operator=(const HiddenWhileRebuilt&) = delete;

private:
    QWidget* m_grid;
};

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->move(x, y);
    l->resize(l->fontMetrics().horizontalAdvance(text) + 6, kRowH);
    return l;
}

// Places each widget over the next run of blanks of a caption label, so the
// label's text reads around the fields. The widgets go on top of the label,
// which would otherwise take their mouse clicks.
void placeInGaps(QLabel* label, std::initializer_list<QWidget*> fields)
{
    label->resize(label->fontMetrics().horizontalAdvance(label->text()) + 6, kRowH);
    const QString text = label->text();
    const QFontMetrics fm = label->fontMetrics();
    auto field = fields.begin();
    int i = 0;
    while (i < text.size() && field != fields.end()) {
        if (text[i] != QLatin1Char(' ')) { ++i; continue; }
        int j = i;
        while (j < text.size() && text[j] == QLatin1Char(' ')) ++j;
        if (j - i >= 3) {
            const int gap = fm.horizontalAdvance(text.mid(i, j - i));
            const int w = std::max(36, gap * 3 / 4);
            const int x = label->x() + fm.horizontalAdvance(text.left(i)) + (gap - w) / 2;
            (*field)->setGeometry(x, label->y(), w, kRowH);
            (*field)->raise();
            ++field;
        }
        i = j;
    }
}

QTableView* makeGrid(QWidget* parent, const QString& name)
{
    auto* g = new QTableView(parent);
    g->setObjectName(name);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->verticalHeader()->setDefaultSectionSize(20);
    g->setTabKeyNavigation(false); // Tab goes on to the next control, not from cell to cell
    return g;
}

} // namespace

void ShowFrmFee(Station& st, QWidget* parent)
{
    try {
        FrmFee dlg(st, parent);
        dlg.exec();
    } catch (const std::exception& e) {
        st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("프로그램 오류"));
    }
}

FrmFee::FrmFee(Station& st, QWidget* parent) : QDialog(parent), m_st(st)
{
    setObjectName(QStringLiteral("FrmFee"));
    setWindowTitle(QStringLiteral("요금테이블 설정"));
    setFixedSize(kFormW, kFormH);
    m_b.loading = true;

    buildTariffPanel();
    buildSlotGrid();
    buildHolidayPanel();
    SetFocusOrder(focusOrder());

    for (int i = 1; i <= 17; ++i) m_ntext[size_t(i)] = new clsNtext(T[size_t(i)], this);
    DTPicker1->setDate(m_st.clock.now().date());
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);

    loadRow();
    refreshSlots();
    refreshHolidays();
    Form_Activate();
    // Not where the box handlers put it while the row was loaded.
    FocusFirst(focusOrder());
}

FrmFee::~FrmFee()
{
    // The helpers go before their fields, so no field event reaches a helper mid-destruction.
    for (clsNtext*& helper : m_ntext) {
        delete helper;
        helper = nullptr;
    }
}

void FrmFee::buildTariffPanel()
{
    Label2 = makeLabel(this, QStringLiteral("Label2"), QString(), 10, 8);
    Label2->resize(kPanelW, kRowH);
    Label2->setStyleSheet(QStringLiteral("color: red;"));

    for (int i = 1; i <= 12; ++i) {
        C[size_t(i)] = new QCheckBox(this);
        C[size_t(i)]->setObjectName(QStringLiteral("C%1").arg(i));
        C[size_t(i)]->resize(20, kRowH);
        connect(C[size_t(i)], &QCheckBox::toggled, this, [this, i](bool on) { onCheck(i, on); });
    }
    for (int i = 1; i <= 17; ++i) {
        T[size_t(i)] = new QLineEdit(this);
        T[size_t(i)]->setObjectName(QStringLiteral("T%1").arg(i));
        T[size_t(i)]->setAlignment(Qt::AlignRight);
    }
    for (int i : {2, 5, 8, 11, 13, 16, 17}) T[size_t(i)]->setMaxLength(6);
    for (int i : {1, 3, 4, 6, 7, 9, 10, 12, 14, 15}) T[size_t(i)]->setMaxLength(4);
    for (int i : {1, 3, 6, 9}) T[size_t(i)]->installEventFilter(this); // before the numeric helpers

    int y = 40;
    const int startW = fontMetrics().horizontalAdvance(StartLabel(3, QStringLiteral("9999"), 4)) + 8;

    C[1]->move(10, y);
    Label1[0] = makeLabel(this, QStringLiteral("Label1_0"), basicRowText(), kLeft, y);
    placeInGaps(Label1[0], {T[1], T[2]});
    C[5]->setText(QStringLiteral("일일 고정금액 적용"));
    C[5]->setStyleSheet(QStringLiteral("color: red;"));
    C[5]->setGeometry(Label1[0]->geometry().right() + 10, y, 160, kRowH);

    const int bandLabels[3] = {5, 1, 6};
    for (int band = 0; band < 3; ++band) {
        y += kRowStep;
        C[size_t(2 + band)]->move(10, y);
        Label1[size_t(9 + band)] = makeLabel(this, QStringLiteral("Label1_%1").arg(9 + band), StartLabel(band, QStringLiteral("0"), 4), kLeft, y);
        Label1[size_t(9 + band)]->resize(startW, kRowH);
        QLineEdit* end = T[size_t(3 + 3 * band)];
        end->setGeometry(kLeft + startW, y, 44, kRowH);
        const int tail = bandLabels[band];
        Label1[size_t(tail)] = makeLabel(this, QStringLiteral("Label1_%1").arg(tail), bandTailText(), kLeft + startW + 46, y);
        placeInGaps(Label1[size_t(tail)], {T[size_t(4 + 3 * band)], T[size_t(5 + 3 * band)]});
    }

    y += kRowStep;
    Label1[12] = makeLabel(this, QStringLiteral("Label1_12"), StartLabel(3, QStringLiteral("0"), 4), kLeft, y);
    Label1[12]->resize(startW, kRowH);
    Label1[7] = makeLabel(this, QStringLiteral("Label1_7"),
                          QStringLiteral(" 구간종료 까지") + blanks(13) + QStringLiteral("분당") + blanks(18) + QStringLiteral("원"),
                          kLeft + startW, y);
    placeInGaps(Label1[7], {T[12], T[13]});

    y += kRowStep;
    C[6]->move(10, y);
    Label1[3] = makeLabel(this, QStringLiteral("Label1_3"),
                          QStringLiteral("서비스시간 :") + blanks(16) + QStringLiteral("분") + blanks(8) + QStringLiteral("회차시간 :") + blanks(16) + QStringLiteral("분"),
                          kLeft, y);
    placeInGaps(Label1[3], {T[14], C[7], T[15]});
    C[7]->resize(20, kRowH);

    y += kRowStep;
    C[8]->move(10, y);
    Label1[4] = makeLabel(this, QStringLiteral("Label1_4"),
                          QStringLiteral("일일최대요금 :") + blanks(18) + QStringLiteral("원") + blanks(8) + QStringLiteral("전체최대요금 :") + blanks(18) + QStringLiteral("원"),
                          kLeft, y);
    placeInGaps(Label1[4], {T[16], C[9], T[17]});
    C[9]->resize(20, kRowH);

    for (int i = 0; i < 4; ++i) {
        D1[size_t(i)] = new QTimeEdit(this);
        D1[size_t(i)]->setObjectName(QStringLiteral("D1_%1").arg(i));
        TimeField(D1[size_t(i)]);
    }
    y += kRowStep;
    Label1[2] = makeLabel(this, QStringLiteral("Label1_2"), QStringLiteral("평일개장시각 :") + blanks(30) + QStringLiteral("평일폐장시각 :") + blanks(30), kLeft, y);
    placeInGaps(Label1[2], {D1[0], D1[1]});
    y += kRowStep;
    Label1[8] = makeLabel(this, QStringLiteral("Label1_8"), QStringLiteral("주말개장시각 :") + blanks(30) + QStringLiteral("주말폐장시각 :") + blanks(30), kLeft, y);
    placeInGaps(Label1[8], {D1[2], D1[3]});

    C[10]->setText(QStringLiteral("폐장시간 이후 개장시간 이전 까지 무료요금 처리함"));
    C[11]->setText(QStringLiteral("공휴일/일요일 무료요금 처리함."));
    C[12]->setText(C12Caption(false));
    for (int i = 10; i <= 12; ++i) {
        y += kRowStep;
        C[size_t(i)]->setGeometry(10, y, 600, kRowH);
    }

    Command1 = new QPushButton(QStringLiteral("설정 (&S)"), this);
    Command1->setObjectName(QStringLiteral("Command1_0"));
    Command1->setGeometry(kFormW - 8 - 2 * 110 - 10, kFormH - 8 - 32, 110, 32);
    Command1->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    CmdEnd = new QPushButton(QStringLiteral("종료 (&X)"), this);
    CmdEnd->setObjectName(QStringLiteral("CmdEnd"));
    CmdEnd->setGeometry(kFormW - 8 - 110, kFormH - 8 - 32, 110, 32);
    CmdEnd->setAutoDefault(false);
    connect(CmdEnd, &QPushButton::clicked, this, &FrmFee::reject);
}

void FrmFee::buildSlotGrid()
{
    feeFrame = new QGroupBox(QStringLiteral("요금 테이블 구성"), this);
    feeFrame->setGeometry(kRightX, 8, kRightW, kFormH - 8 - 32 - 8 - 8);
    FeeDBGrid = makeGrid(feeFrame, QStringLiteral("FeeDBGrid"));
    FeeDBGrid->setGeometry(8, 22, kRightW - 16, feeFrame->height() - 30);
    FeeDBGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch); // four columns, no sideways scrolling
    FeeData = new QSqlQueryModel(this);
    FeeDBGrid->setModel(FeeData);
}

void FrmFee::buildHolidayPanel()
{
    holidayFrame = new QGroupBox(QStringLiteral("공휴일 등록"), this);
    holidayFrame->setGeometry(10, kHolidayY, kPanelW, kFormH - kHolidayY - 8);
    DBGrid1 = makeGrid(holidayFrame, QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(8, 22, 300, holidayFrame->height() - 30);
    Data2 = new QSqlQueryModel(this);
    DBGrid1->setModel(Data2);
    connect(DBGrid1, &QTableView::clicked, this, [this](const QModelIndex& i) { pickHoliday(i.row()); });

    Label3[0] = makeLabel(holidayFrame, QStringLiteral("Label3_0"), QStringLiteral("명칭 :"), 318, 26);
    Text1 = new QLineEdit(holidayFrame);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMaxLength(kHolidayNameMax);
    Text1->setGeometry(370, 26, 150, kRowH);
    Label3[1] = makeLabel(holidayFrame, QStringLiteral("Label3_1"), QStringLiteral("날짜 :"), 318, 58);
    DTPicker1 = new QDateEdit(holidayFrame);
    DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
    DateField(DTPicker1);
    DTPicker1->setCalendarPopup(true);
    DTPicker1->setGeometry(370, 58, 150, kRowH);
    const char* captions[4] = {"신규", "수정", "삭제", "취소"};
    for (int i = 0; i < 4; ++i) {
        Command2[size_t(i)] = new QPushButton(QString::fromUtf8(captions[i]), holidayFrame);
        Command2[size_t(i)]->setObjectName(QStringLiteral("Command2_%1").arg(i));
        Command2[size_t(i)]->setGeometry(318 + (i % 2) * 104, 100 + (i / 2) * 40, 98, 32);
        Command2[size_t(i)]->setAutoDefault(false);
        connect(Command2[size_t(i)], &QPushButton::clicked, this, [this, i] { Command2_Click(i); });
    }
    setAddingState();
}

QList<QWidget*> FrmFee::focusOrder() const
{
    return {T[1], T[2], C[1], T[3], T[4], T[5], T[6], T[7], T[8], C[3], T[9], T[10], T[11],
            C[4], T[12], T[13], C[5], T[14], C[6], T[15], C[7], T[16], C[8], T[17], C[9],
            D1[0], D1[1], D1[2], D1[3], C[10], C[11], C[12], DTPicker1, Command2[0], Command2[1],
            Command2[2], Command2[3], Command1, CmdEnd, Text1, FeeDBGrid, DBGrid1, C[2]};
}

void FrmFee::loadRow()
{
    const TariffForm f = LoadTariffForm(m_st.Db);
    for (int i = 1; i <= 12; ++i) C[size_t(i)]->setChecked(f.checks.value(QStringLiteral("C%1").arg(i)));
    enablePass();
    // The stored values win over what the box handlers wrote meanwhile.
    for (int i = 1; i <= 17; ++i) T[size_t(i)]->setText(f.texts.value(QStringLiteral("T%1").arg(i)));
    for (int i = 0; i < 4; ++i) {
        const auto m = MinutesOfDay(f.times.value(QStringLiteral("D1_%1").arg(i)));
        D1[size_t(i)]->setTime(m ? QTime(*m / 60, *m % 60) : QTime(0, 0));
    }
    // What closing compares with: only the row's loading sets it, so an activation
    // (back from a message) keeps what was typed before it as a change.
    m_shown = collectForm();
}

void FrmFee::enablePass()
{
    const std::pair<int, std::vector<int>> pairs[] = {{1, {1, 2}}, {2, {3, 4, 5}}, {3, {6, 7, 8}}, {4, {9, 10, 11}},
                                                      {6, {14}},   {7, {15}},      {8, {16}},      {9, {17}}};
    for (const auto& [box, fields] : pairs)
        for (int f : fields) T[size_t(f)]->setEnabled(C[size_t(box)]->isChecked());
}

void FrmFee::Form_Activate()
{
    Label2->clear();
    m_b.text = {T[1]->text(), T[3]->text(), T[6]->text(), T[9]->text()};
    ActivateBoundaries(m_b);
    for (int i = 0; i < 4; ++i) Label1[size_t(9 + i)]->setText(m_b.label[size_t(i)]);
}

bool FrmFee::event(QEvent* e)
{
    // Only a window of this program shown over the screen (a message) makes its
    // return an activation; coming back from another program is none.
    if (e->type() == QEvent::WindowDeactivate) {
        QWidget* modal = QApplication::activeModalWidget();
        m_coveredByOwnWindow = modal && modal != this;
    } else if (e->type() == QEvent::WindowActivate) {
        if (m_coveredByOwnWindow && !m_inLeave) Form_Activate();
        m_coveredByOwnWindow = false;
    }
    return QDialog::event(e);
}

bool FrmFee::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        // A message box, a popup or another window taking the focus is no leave.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            if (watched == T[1]) leave(Boundaries::T1);
            else if (watched == T[3]) leave(Boundaries::T3);
            else if (watched == T[6]) leave(Boundaries::T6);
            else if (watched == T[9]) leave(Boundaries::T9);
        }
    }
    return QDialog::eventFilter(watched, e);
}

void FrmFee::leave(Boundaries::Field field)
{
    if (m_inLeave) return;
    m_inLeave = true;
    const int fields[4] = {1, 3, 6, 9};
    for (int i = 0; i < 4; ++i) {
        m_b.text[size_t(i)] = T[size_t(fields[i])]->text();
        m_b.label[size_t(i)] = Label1[size_t(9 + i)]->text();
    }
    m_b.basicOn = C[1]->isChecked();
    m_b.band1On = C[2]->isChecked();
    m_b.band2On = C[3]->isChecked();
    const QString focus = LeaveBoundary(m_b, field, m_st.msgs);
    for (int i = 0; i < 4; ++i) {
        T[size_t(fields[i])]->setText(m_b.text[size_t(i)]);
        Label1[size_t(9 + i)]->setText(m_b.label[size_t(i)]);
    }
    if (!focus.isEmpty()) focusField(focus);
    m_inLeave = false;
}

void FrmFee::focusField(const QString& name)
{
    if (auto* w = findChild<QWidget*>(name); w && w->isEnabled() && w->isVisible()) w->setFocus(Qt::OtherFocusReason);
}

void FrmFee::onCheck(int box, bool on)
{
    if (box >= 1 && box <= 4) return onBandCheck(box, on);
    if (box == 5) return onFixedMode(on);
    if (box >= 6 && box <= 9) {
        QLineEdit* field = T[size_t(box + 8)]; // T14..T17
        field->setEnabled(on);
        if (on) field->setFocus(Qt::OtherFocusReason);
    }
    if (box == 12) C[12]->setText(C12Caption(on));
    Label2->setText(CheckExplanation(box, on));
}

void FrmFee::onBandCheck(int box, bool on)
{
    const int first = box == 1 ? 1 : 3 * box - 3; // C1: T1; C2: T3; C3: T6; C4: T9
    const int count = box == 1 ? 2 : 3;
    for (int i = 0; i < count; ++i) T[size_t(first + i)]->setEnabled(on);
    Label2->setText(CheckExplanation(box, on));
    const bool c1 = C[1]->isChecked(), c2 = C[2]->isChecked(), c3 = C[3]->isChecked();
    const QString zero = QStringLiteral("0");
    switch (box) {
    case 1:
        if (!on) {
            Label1[9]->setText(StartLabel(0, zero, 3));
            T[1]->setText(zero);
        }
        break;
    case 2: T[3]->setText(c1 ? T[1]->text() : zero); break;
    case 3:
        if (!on) T[6]->setText(c2 ? T[3]->text() : c1 ? T[1]->text() : zero);
        break;
    case 4:
        if (!on) T[9]->setText(c3 ? T[6]->text() : c2 ? T[3]->text() : c1 ? T[1]->text() : zero);
        break;
    default: break;
    }
    if (on) T[size_t(first)]->setFocus(Qt::OtherFocusReason);
    leave(static_cast<Boundaries::Field>(box - 1));
}

void FrmFee::onFixedMode(bool on)
{
    Label2->setText(CheckExplanation(5, on));
    Label1[0]->setText(on ? fixedRowText() : basicRowText());
    if (on) placeInGaps(Label1[0], {T[2]});
    else placeInGaps(Label1[0], {T[1], T[2]});
    // The final band's row stays: stays of a day or more are priced by it in both modes.
    for (int i : {4, 5, 1, 6, 9, 10, 11}) Label1[size_t(i)]->setVisible(!on);
    for (int i : {1, 2, 3, 4, 8, 9}) C[size_t(i)]->setVisible(!on);
    for (int i : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 17}) T[size_t(i)]->setVisible(!on);
    focusField(on ? QStringLiteral("T2") : QStringLiteral("T1"));
}

TariffForm FrmFee::collectForm() const
{
    TariffForm f;
    for (int i = 1; i <= 12; ++i) f.checks[QStringLiteral("C%1").arg(i)] = C[size_t(i)]->isChecked();
    for (int i = 1; i <= 17; ++i) f.texts[QStringLiteral("T%1").arg(i)] = NumericText(T[size_t(i)]->text());
    for (int i = 0; i < 4; ++i) f.times[QStringLiteral("D1_%1").arg(i)] = D1[size_t(i)]->time().toString(QStringLiteral("HH:mm"));
    return f;
}

bool FrmFee::storeFields()
{
    try {
        SaveTariffForm(m_st.Db, collectForm());
        return true;
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("프로그램 오류"));
        return false;
    }
}

void FrmFee::Command1_Click()
{
    SetOutcome outcome;
    {
        WaitCursor wait;
        const HiddenWhileRebuilt hidden(FeeDBGrid);
        outcome = SetTariff(m_st.Db, collectForm());
        refreshSlots();
    }
    switch (outcome.kind) {
    case SetOutcome::Done: loadRow(); break; // the fields show what was stored, rounded
    case SetOutcome::UnitTooSmall:
        m_st.msgs.Msg_Box(UnitTooSmallText(), InputErrorTitle());
        focusField(outcome.focusField);
        break;
    case SetOutcome::Failed: m_st.msgs.Msg_Box(outcome.error, ProgramErrorTitle()); break;
    }
}

void FrmFee::reject()
{
    if (!m_closing) {
        const TariffForm form = collectForm();
        // Unchanged fields close without being stored again: a screen only looked at
        // never refuses to close.
        const bool changed = form.checks != m_shown.checks || form.texts != m_shown.texts || form.times != m_shown.times;
        const auto fault = changed ? TariffCloseFault(form) : std::nullopt;
        if (fault) {
            m_st.msgs.Msg_Box(fault->text, InputErrorTitle());
            focusField(fault->field);
            return; // open until the fields are right
        }
        m_closing = true;
        if (changed) storeFields();
    }
    QDialog::reject();
}

void FrmFee::refreshSlots()
{
    FeeData->setQuery(QStringLiteral("SELECT 주차시간, 요금, 구분, 적용구분 FROM 요금테이블 ORDER BY 시간"), m_st.Db);
    while (FeeData->canFetchMore()) FeeData->fetchMore();
    const char* captions[4] = {"주차시간", "요    금 ", "적용금액 ", "적용구분"};
    for (int i = 0; i < 4; ++i) FeeData->setHeaderData(i, Qt::Horizontal, QString::fromUtf8(captions[i]));
}

void FrmFee::refreshHolidays()
{
    Data2->setQuery(HolidayListSql(), m_st.Db);
    while (Data2->canFetchMore()) Data2->fetchMore();
    Data2->setHeaderData(0, Qt::Horizontal, QStringLiteral("       구    분"));
    Data2->setHeaderData(1, Qt::Horizontal, QStringLiteral("     날   짜"));
}

void FrmFee::setAddingState()
{
    Command2[0]->setEnabled(true);
    Command2[1]->setEnabled(false);
    Command2[2]->setEnabled(false);
}

void FrmFee::pickHoliday(int row)
{
    const QString name = Data2->index(row, 0).data().toString();
    if (name.isEmpty()) return;
    const QString date = Data2->index(row, 1).data().toString();
    Text1->setText(name);
    m_pickedName = name;
    const QDate d = QDate::fromString(date, Qt::ISODate);
    if (d.isValid()) DTPicker1->setDate(d);
    m_pickedDate = date;
    Command2[0]->setEnabled(false);
    Command2[1]->setEnabled(true);
    Command2[2]->setEnabled(true);
    Text1->setFocus(Qt::OtherFocusReason);
}

void FrmFee::Command2_Click(int index)
{
    try {
        switch (index) {
        case 0:
            if (AddHoliday(m_st.Db, Text1->text(), DTPicker1->date()) == HolidayAdd::Duplicate) {
                m_st.msgs.Msg_Box(QStringLiteral("이미 등록되어있습니다."), QStringLiteral("데이터 중복"));
                return;
            }
            refreshHolidays();
            Text1->clear();
            Text1->setFocus(Qt::OtherFocusReason);
            return;
        case 1:
            EditHoliday(m_st.Db, m_pickedName, m_pickedDate, Text1->text(), DTPicker1->date());
            break;
        case 2: DeleteHoliday(m_st.Db, m_pickedName, m_pickedDate); break;
        default:
            Text1->clear();
            setAddingState();
            Text1->setFocus(Qt::OtherFocusReason);
            return;
        }
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("프로그램 오류"));
        return;
    }
    refreshHolidays();
    Text1->clear();
    setAddingState();
}

} // namespace tolvo
