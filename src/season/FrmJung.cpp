#include "season/FrmJung.h"

#include "core/Sql.h"
#include "core/Station.h"
#include "platform/Vb.h"
#include "season/JungList.h"
#include "widgets/DateTimeFields.h"
#include "widgets/FormMode.h"
#include "widgets/TextFields.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QVBoxLayout>

namespace tolvo {

namespace {

struct BoxSpec {
    int number;
    const char* label;
    int maxLength;
};
constexpr std::array<BoxSpec, 8> kTxtBoxes{{
    {1, " 태그 번호", 10}, {2, " 차량 번호", 20}, {3, " 운 전 자", 20}, {4, " 소 유 자", 5},
    {5, " 소     속", 16}, {6, " 차     종", 5},  {7, " 색    상", 5},  {8, " 전화 번호", 13},
}};
constexpr std::array<const char*, 4> kMaskLabels{" 월정 요금", " 발 급 일", " 시작일", " 종료일"};
constexpr std::array<const char*, 3> kStates{"초기상태", "입차중..", "출차중.."};
constexpr std::array<const char*, 4> kModes{"데이터 수신시 무조건 통과", "데이터 검색후 무조건 통과", "중복 입출차 허용함",
                                            "정상운영"};

const QString kDbErrorCaption = QStringLiteral("데이터 베이스 오류");

std::vector<GridColumn> GridColumns()
{
    return {{QStringLiteral("정기권번호"), QStringLiteral("정기권번호")},
            {QStringLiteral("차량번호"), QStringLiteral("     차량번호")},
            {QStringLiteral("차종"), QStringLiteral("    차  종")},
            {QStringLiteral("소속"), QStringLiteral("          소  속")},
            {QStringLiteral("이름"), QStringLiteral("  이  름")}};
}

QPushButton* Button(QWidget* parent, const QString& caption, const QString& name)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

FrmJung::FrmJung(Station& st, QWidget* parent) : QDialog(parent), m_st(st), m_reg(st)
{
    setObjectName(QStringLiteral("Jung"));
    setWindowTitle(QStringLiteral("정기권 등록"));
    build();
    m_reg.Record_Loaded = false;
    m_dtPicker->setDate(m_st.clock.now().date());
    for (size_t i = 0; i < m_option1.size(); ++i)
        m_option1[i]->setChecked(m_st.settings.SeasonMode == QString::number(i));
    m_check1->setChecked(m_st.settings.AntiPassBack);
    m_option2[0]->setChecked(true);
    m_reg.setTagLengthFromModel();
    m_txt[1]->setMaxLength(m_reg.tagLength());
    JungBoxes b;
    m_reg.Clear_Field(b);
    showBoxes(b);
    refreshGrid();
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);
}

FrmJung::~FrmJung() = default;

void FrmJung::build()
{
    auto* entry = new QGridLayout;
    for (const BoxSpec& s : kTxtBoxes) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QStringLiteral("Txt%1").arg(s.number));
        e->setMaxLength(s.maxLength);
        m_txt[static_cast<size_t>(s.number)] = e;
        entry->addWidget(new QLabel(QString::fromUtf8(s.label), this), s.number - 1, 0);
        entry->addWidget(e, s.number - 1, 1);
    }
    for (size_t i = 0; i < m_mask.size(); ++i) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QStringLiteral("MaskEdBox1_%1").arg(i));
        if (i == 0) {
            const QString sevenDigits = QStringLiteral("(,*[0-9]){0,%1},*").arg(kFeeDigits);
            e->setValidator(new QRegularExpressionValidator(QRegularExpression(sevenDigits), e));
            connect(e, &QLineEdit::editingFinished, e, [e] { e->setText(FeeShown(e->text())); });
        } else {
            e->setInputMask(QStringLiteral("9999-99-99; "));
            MaskedDateTimeField(e);
        }
        e->installEventFilter(this);
        m_mask[i] = e;
        const int row = static_cast<int>(i);
        entry->addWidget(new QLabel(QString::fromUtf8(kMaskLabels[i]), this), row, 2);
        entry->addWidget(e, row, 3);
    }
    m_lbl1 = new QLabel(this);
    m_lbl1->setObjectName(QStringLiteral("Lbl1"));
    m_lbl2 = new QLabel(this);
    m_lbl2->setObjectName(QStringLiteral("Lbl2"));
    entry->addWidget(new QLabel(QStringLiteral("  입차일시"), this), 4, 2);
    entry->addWidget(m_lbl1, 4, 3);
    entry->addWidget(new QLabel(QStringLiteral("  출차일시"), this), 5, 2);
    entry->addWidget(m_lbl2, 5, 3);

    auto* stateFrame = new QGroupBox(QStringLiteral("입출차상태"), this);
    auto* stateLayout = new QHBoxLayout(stateFrame);
    for (size_t i = 0; i < m_option2.size(); ++i) {
        m_option2[i] = new QRadioButton(QString::fromUtf8(kStates[i]), stateFrame);
        m_option2[i]->setObjectName(QStringLiteral("Option2_%1").arg(i));
        stateLayout->addWidget(m_option2[i]);
    }
    auto* cmdReset = Button(stateFrame, QStringLiteral("Reset"), QStringLiteral("CmdReset"));
    stateLayout->addWidget(cmdReset);
    entry->addWidget(stateFrame, 6, 2, 2, 2);

    auto* modeFrame = new QGroupBox(QStringLiteral("정기권 운영모드"), this);
    auto* modeLayout = new QVBoxLayout(modeFrame);
    for (size_t i = 0; i < m_option1.size(); ++i) {
        m_option1[i] = new QRadioButton(QString::fromUtf8(kModes[i]), modeFrame);
        m_option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        modeLayout->addWidget(m_option1[i]);
    }
    m_check1 = new QCheckBox(QStringLiteral("  Anti Pass Back              (연속데이터 처리 여부)"), modeFrame);
    m_check1->setObjectName(QStringLiteral("Check1"));
    modeLayout->addWidget(m_check1);

    auto* endFrame = new QGroupBox(QStringLiteral("종료일 수정(전체 레코드)"), this);
    m_dtPicker = new QDateEdit(endFrame);
    m_dtPicker->setObjectName(QStringLiteral("DTPicker1"));
    DateField(m_dtPicker);
    m_dtPicker->setCalendarPopup(true);
    auto* command2 = Button(endFrame, QStringLiteral("확인"), QStringLiteral("Command2"));
    auto* endLayout = new QHBoxLayout(endFrame);
    endLayout->addWidget(m_dtPicker);
    endLayout->addWidget(command2);

    auto* searchFrame = new QGroupBox(QStringLiteral("자료검색"), this);
    auto* searchLayout = new QGridLayout(searchFrame);
    const struct {
        QLineEdit** box;
        const char* name;
        const char* label;
        int max;
    } searches[] = {{&m_text18, "Text18", " 차량번호", 15}, {&m_text19, "Text19", " 운전자", 10},
                    {&m_text20, "Text20", " 소속", 10}};
    int row = 0;
    for (const auto& s : searches) {
        *s.box = new QLineEdit(searchFrame);
        (*s.box)->setObjectName(QString::fromUtf8(s.name));
        (*s.box)->setMaxLength(s.max);
        (*s.box)->installEventFilter(this);
        searchLayout->addWidget(new QLabel(QString::fromUtf8(s.label), searchFrame), row, 0);
        searchLayout->addWidget(*s.box, row++, 1);
    }

    auto* printFrame = new QGroupBox(QStringLiteral("자료인쇄"), this);
    auto* printLayout = new QHBoxLayout(printFrame);
    const char* lists[] = {"발급현황", "만료차량"};
    for (int i = 0; i < 2; ++i) {
        auto* b = Button(printFrame, QString::fromUtf8(lists[i]), QStringLiteral("Command1_%1").arg(i));
        printLayout->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, i] { openList(i); });
    }

    m_model = new RowsModel(GridColumns(), this);
    m_grid = MakeGrid(this, QStringLiteral("DBGrid1"), m_model);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("LblRecordCount"));

    const char* cmds[] = {"저장(&S)", "삭제(&D)", "종료(&X)"};
    auto* cmdLayout = new QHBoxLayout;
    cmdLayout->addWidget(new QLabel(QStringLiteral("  등록 건수"), this));
    cmdLayout->addWidget(m_count);
    cmdLayout->addStretch();
    for (size_t i = 0; i < m_cmd1.size(); ++i) {
        m_cmd1[i] = Button(this, QString::fromUtf8(cmds[i]), QStringLiteral("Cmd1_%1").arg(i));
        cmdLayout->addWidget(m_cmd1[i]);
    }

    auto* side = new QVBoxLayout;
    side->addWidget(modeFrame);
    side->addWidget(endFrame);
    side->addWidget(searchFrame);
    side->addWidget(printFrame);
    auto* top = new QHBoxLayout;
    top->addLayout(entry);
    top->addLayout(side);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(m_grid);
    main->addLayout(cmdLayout);
    resize(980, 680);

    for (size_t i = 1; i < m_txt.size(); ++i) m_texts.push_back(std::make_unique<clsText>(m_txt[i]));

    connect(m_txt[1], &QLineEdit::textChanged, this, &FrmJung::txt1Changed);
    connect(m_cmd1[0], &QPushButton::clicked, this, &FrmJung::save);
    connect(m_cmd1[1], &QPushButton::clicked, this, &FrmJung::remove);
    connect(m_cmd1[2], &QPushButton::clicked, this, &FrmJung::close);
    connect(cmdReset, &QPushButton::clicked, this, &FrmJung::reset);
    connect(command2, &QPushButton::clicked, this, &FrmJung::allEndDates);
    connect(m_grid, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { DBGrid1_DblClick(i.row()); });
}

JungBoxes FrmJung::boxes() const
{
    JungBoxes b;
    for (size_t i = 1; i < m_txt.size(); ++i) b.Txt[i] = m_txt[i]->text();
    b.Mask[0] = m_mask[0]->text();
    // A date box with blanks left in its mask is not a date.
    for (size_t i = 1; i < m_mask.size(); ++i)
        b.Mask[i] = m_mask[i]->displayText().trimmed() == QStringLiteral("-  -") ? QString() : m_mask[i]->displayText();
    b.Lbl1 = m_lbl1->text();
    b.Lbl2 = m_lbl2->text();
    for (size_t i = 0; i < m_option2.size(); ++i)
        if (m_option2[i]->isChecked()) b.Option2 = static_cast<int>(i);
    return b;
}

void FrmJung::showBoxes(const JungBoxes& b)
{
    m_showing = true; // showing a ticket's number must not look it up again
    for (size_t i = 1; i < m_txt.size(); ++i) m_txt[i]->setText(b.Txt[i]);
    for (size_t i = 0; i < m_mask.size(); ++i) m_mask[i]->setText(b.Mask[i]);
    m_lbl1->setText(b.Lbl1);
    m_lbl2->setText(b.Lbl2);
    if (b.Option2 >= 0 && b.Option2 < 3) m_option2[static_cast<size_t>(b.Option2)]->setChecked(true);
    m_showing = false;
}

void FrmJung::activate()
{
    m_reg.setTagLengthFromModel();
    m_txt[1]->setMaxLength(m_reg.tagLength());
    GridToLastRow(*m_grid);
    m_count->setText(QString::number(m_model->rows().count()));
}

void FrmJung::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) activate();
}

void FrmJung::txt1Changed()
{
    if (m_showing || m_txt[1]->text().size() != m_txt[1]->maxLength()) return;
    JungBoxes b = boxes();
    try {
        if (m_reg.Search_Record(b)) showBoxes(b);
    } catch (const DbError& e) {
        m_st.msgs.Msg_Box(e.message(), kDbErrorCaption);
    }
}

void FrmJung::reloadGrid(RowSet rows)
{
    m_model->setRows(std::move(rows));
    GridToLastRow(*m_grid);
    m_count->setText(QString::number(m_model->rows().count()));
}

void FrmJung::refreshGrid()
{
    try {
        reloadGrid(m_reg.GridRows());
    } catch (const DbError& e) {
        m_st.msgs.Msg_Box(e.message(), kDbErrorCaption);
    }
}

void FrmJung::save()
{
    JungBoxes b = boxes();
    const SeasonRegister::SaveResult r = m_reg.Save(b);
    if (r == SeasonRegister::SaveResult::Refused || r == SeasonRegister::SaveResult::Failed) return;
    showBoxes(b);
    refreshGrid();
    m_txt[1]->setFocus();
}

void FrmJung::remove()
{
    JungBoxes b = boxes();
    if (m_reg.Delete(b)) {
        showBoxes(b);
        refreshGrid();
    }
    m_txt[1]->setFocus();
}

void FrmJung::close()
{
    m_texts.clear();
    QString mode;
    for (size_t i = 0; i < m_option1.size() && mode.isEmpty(); ++i)
        if (m_option1[i]->isChecked()) mode = QString::number(i);
    Jung_SaveModes(m_st, mode, m_check1->isChecked());
    accept();
}

void FrmJung::reset()
{
    try {
        Jung_ResetStates(m_st);
    } catch (const DbError& e) {
        m_st.msgs.Msg_Box(e.message(), kDbErrorCaption);
    }
}

void FrmJung::allEndDates()
{
    try {
        Jung_SetAllEndDates(m_st, m_dtPicker->date());
    } catch (const DbError& e) {
        m_st.msgs.Msg_Box(e.message(), kDbErrorCaption);
    }
}

void FrmJung::search(QLineEdit* box)
{
    const JungSearch kind = box == m_text20 ? JungSearch::Affiliation
                            : box == m_text18 ? JungSearch::Vehicle
                                              : JungSearch::Driver;
    try {
        reloadGrid(m_reg.Search(kind, box->text()));
        if (m_model->rows().count() == 1) DBGrid1_DblClick(0);
    } catch (const DbError& e) {
        m_st.msgs.Msg_Box(e.message(), kDbErrorCaption);
    }
    box->selectAll();
}

void FrmJung::DBGrid1_DblClick(int row)
{
    const QString key = m_model->rows().text(row, QStringLiteral("정기권번호"));
    if (key.isEmpty()) return;
    const QString shown = ShownTag(key, m_reg.tagLength());
    if (m_txt[1]->text() == shown)
        txt1Changed(); // the same number typed again still loads the ticket
    else
        m_txt[1]->setText(shown);
    m_txt[1]->setFocus();
}

void FrmJung::openList(int index) { ShowJungList(m_st, index == 0 ? JungListKind::Ledger : JungListKind::Expired, this); }

bool FrmJung::moveKey(QObject* watched, int key)
{
    if (key == Qt::Key_Up) {
        SendTab(watched, true);
    } else if (watched == m_mask[3]) {
        m_cmd1[0]->setFocus();
    } else {
        SendTab(watched, false);
    }
    return true;
}

bool FrmJung::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    const bool searchBox = edit && (edit == m_text18 || edit == m_text19 || edit == m_text20);
    const bool maskBox = edit && std::find(m_mask.begin(), m_mask.end(), edit) != m_mask.end();
    // The date boxes select themselves on entering.
    if ((searchBox || edit == m_mask[0]) && event->type() == QEvent::FocusIn)
        QMetaObject::invokeMethod(edit, &QLineEdit::selectAll, Qt::QueuedConnection);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (searchBox && enter) {
            search(edit);
            return true;
        }
        if (maskBox && (enter || key == Qt::Key_Down || key == Qt::Key_Up)) return moveKey(watched, key);
    }
    return QDialog::eventFilter(watched, event);
}

void ShowJung(Station& st, QWidget* parent)
{
    FrmJung form(st, parent);
    form.activate();
    form.exec();
}

} // namespace tolvo
