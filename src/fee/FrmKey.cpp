#include "fee/FrmKey.h"
#include "widgets/DialogKeys.h"

#include "widgets/FormMode.h"
#include "widgets/KeyCapture.h"
#include "core/Station.h"
#include "widgets/TextFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tolvo {

namespace {

template <typename W>
W* named(W* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}

QTableWidget* makeGrid(QWidget* parent, const char* name, const QStringList& headers)
{
    auto* g = named(new QTableWidget(parent), QString::fromLatin1(name));
    g->setColumnCount(static_cast<int>(headers.size()));
    g->setHorizontalHeaderLabels(headers);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->verticalHeader()->setVisible(false);
    g->setTabKeyNavigation(false); // Tab goes on to the next control, not from cell to cell
    return g;
}

void setRow(QTableWidget* g, int row, const QStringList& cells)
{
    for (int c = 0; c < cells.size(); ++c) g->setItem(row, c, new QTableWidgetItem(cells[c]));
}

QString boolText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

} // namespace

FrmKey::FrmKey(Station& st, QWidget* parent, KeyCapturer capture)
    : QDialog(parent), m_st(st), m_editor(st), m_capture(std::move(capture))
{
    IgnoreEscape(*this);
    if (!m_capture) m_capture = [this] { return CaptureKey(&m_st.Db, this); };
    setObjectName(QStringLiteral("FrmKey"));
    setWindowTitle(QStringLiteral("키기능설정"));
    build();
    adjustSize();
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);
    guarded([this] {
        clearDiscFields();
        clearFuncFields();
        fillGrids();
    });
}

FrmKey::~FrmKey() = default;

void FrmKey::build()
{
    // Discount panel.
    auto* disc = named(new QGroupBox(QStringLiteral("할인키 설정"), this), QStringLiteral("Frame1"));
    m_txt1 = named(new QLineEdit(disc), QStringLiteral("Txt1"));
    m_txt1->setMaxLength(10);
    m_combo1 = named(new QComboBox(disc), QStringLiteral("Combo1"));
    m_combo2 = named(new QComboBox(disc), QStringLiteral("Combo2"));
    m_combo1->addItems(DiscountKindTexts());
    m_combo2->addItems(DiscountKindTexts());
    m_txt3 = named(new QLineEdit(QStringLiteral("0"), disc), QStringLiteral("Txt3"));
    m_txt4 = named(new QLineEdit(QStringLiteral("0"), disc), QStringLiteral("Txt4"));
    m_txt3->setMaxLength(6);
    m_txt4->setMaxLength(6);
    m_label2 = named(new QLabel(disc), QStringLiteral("Label2"));
    m_label4 = named(new QLabel(disc), QStringLiteral("Label4"));
    m_use = named(new QCheckBox(QStringLiteral("사용여부"), disc), QStringLiteral("Check1_0"));
    m_coupon = named(new QCheckBox(QStringLiteral("할인기능"), disc), QStringLiteral("Check1_1"));
    m_command1 = named(new QPushButton(QStringLiteral("키입력"), disc), QStringLiteral("Command1"));
    m_label3 = named(new QLabel(disc), QStringLiteral("Label3"));
    m_label3->setMinimumWidth(100);
    m_label3->setFrameShape(QFrame::Panel);
    m_label3->setFrameShadow(QFrame::Sunken);
    const char* discButtons[] = {"저장", "삭제", "취소"};
    for (int i = 0; i < 3; ++i) {
        m_command2[i] = named(new QPushButton(QString::fromUtf8(discButtons[i]), disc), QStringLiteral("Command2_%1").arg(i));
        m_command2[i]->setAutoDefault(false);
        connect(m_command2[i], &QPushButton::clicked, this, [this, i] { discButton(i); });
    }
    m_grid1 = makeGrid(disc, "DBGrid1",
                       {QStringLiteral("명칭"), QStringLiteral("키코드1"), QStringLiteral("키코드2"), QStringLiteral("키명칭"),
                        QStringLiteral("할인종류1"), QStringLiteral("적용요율1"), QStringLiteral("할인종류2"),
                        QStringLiteral("적용요율2"), QStringLiteral("사용여부"), QStringLiteral("중복사용")});

    auto* dl = new QGridLayout(disc);
    dl->addWidget(new QLabel(QStringLiteral("명칭 :"), disc), 0, 0);
    dl->addWidget(m_txt1, 0, 1);
    dl->addWidget(new QLabel(QStringLiteral("사용키 :"), disc), 0, 2);
    dl->addWidget(m_label3, 0, 3);
    dl->addWidget(m_command1, 0, 4);
    dl->addWidget(m_label2, 1, 0, 1, 5);
    dl->addWidget(m_combo1, 2, 0, 1, 2);
    dl->addWidget(m_txt3, 2, 2, 1, 2);
    dl->addWidget(m_label4, 3, 0, 1, 5);
    dl->addWidget(m_combo2, 4, 0, 1, 2);
    dl->addWidget(m_txt4, 4, 2, 1, 2);
    dl->addWidget(m_use, 5, 0);
    dl->addWidget(m_coupon, 5, 1);
    auto* db = new QHBoxLayout;
    for (auto* b : m_command2) db->addWidget(b);
    dl->addLayout(db, 5, 2, 1, 3);
    dl->addWidget(m_grid1, 6, 0, 1, 5);

    // Function panel.
    auto* func = named(new QGroupBox(QStringLiteral("기능키 설정"), this), QStringLiteral("Frame2"));
    m_combo3 = named(new QComboBox(func), QStringLiteral("Combo3"));
    m_combo3->addItems(FunctionTexts());
    m_command3 = named(new QPushButton(QStringLiteral("키입력"), func), QStringLiteral("Command3"));
    m_label6 = named(new QLabel(func), QStringLiteral("Label6"));
    m_label6->setMinimumWidth(100);
    m_label6->setFrameShape(QFrame::Panel);
    m_label6->setFrameShadow(QFrame::Sunken);
    m_funcUse = named(new QCheckBox(QStringLiteral("사용여부"), func), QStringLiteral("Check1_2"));
    const char* funcButtons[] = {"저장", "삭제"};
    for (int i = 0; i < 2; ++i) {
        m_command4[i] = named(new QPushButton(QString::fromUtf8(funcButtons[i]), func), QStringLiteral("Command4_%1").arg(i));
        m_command4[i]->setAutoDefault(false);
        connect(m_command4[i], &QPushButton::clicked, this, [this, i] { funcButton(i); });
    }
    m_grid2 = makeGrid(func, "DBGrid2",
                       {QStringLiteral("명칭"), QStringLiteral("기능코드"), QStringLiteral("키코드1"), QStringLiteral("키코드2"),
                        QStringLiteral("키명칭"), QStringLiteral("사용여부")});
    auto* fl = new QGridLayout(func);
    fl->addWidget(new QLabel(QStringLiteral("기능 : "), func), 0, 0);
    fl->addWidget(m_combo3, 0, 1);
    fl->addWidget(m_label6, 0, 2);
    fl->addWidget(m_command3, 0, 3);
    fl->addWidget(m_funcUse, 1, 0);
    auto* fb = new QHBoxLayout;
    for (auto* b : m_command4) fb->addWidget(b);
    fl->addLayout(fb, 1, 1, 1, 3);
    fl->addWidget(m_grid2, 2, 0, 1, 4);

    m_command5 = named(new QPushButton(QStringLiteral("종료"), this), QStringLiteral("Command5"));
    m_command5->setAutoDefault(false);
    for (auto* b : {m_command1, m_command3}) b->setAutoDefault(false);

    auto* panels = new QHBoxLayout;
    panels->addWidget(disc);
    panels->addWidget(func);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_command5);
    auto* main = new QVBoxLayout(this);
    main->addLayout(panels);
    main->addLayout(bottom);

    for (QLineEdit* e : {m_txt1, m_txt3, m_txt4}) m_texts.push_back(std::make_unique<clsText>(e));

    connect(m_combo1, &QComboBox::activated, this, [this] { kindSelected(m_combo1, m_txt3, m_label2, 1); });
    connect(m_combo2, &QComboBox::activated, this, [this] { kindSelected(m_combo2, m_txt4, m_label4, 2); });
    connect(m_coupon, &QCheckBox::toggled, this, [this] { couponToggled(); });
    connect(m_command1, &QPushButton::clicked, this, [this] { guarded([this] { captureDisc(); }); });
    connect(m_command3, &QPushButton::clicked, this, [this] { guarded([this] { captureFunc(); }); });
    connect(m_grid1, &QTableWidget::cellClicked, this, [this](int row, int) { discGridClicked(row); });
    connect(m_grid2, &QTableWidget::cellClicked, this, [this](int row, int) { funcGridClicked(row); });
    connect(m_command5, &QPushButton::clicked, this, [this] {
        m_editor.exitButton();
        accept();
    });
}

void FrmKey::guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("Tarvola"));
    }
}

void FrmKey::fillGrids()
{
    m_discRows = m_editor.discRows();
    m_grid1->clearContents();
    m_grid1->setRowCount(static_cast<int>(m_discRows.size()));
    for (int i = 0; i < static_cast<int>(m_discRows.size()); ++i) {
        const DiscRow& r = m_discRows[static_cast<size_t>(i)];
        setRow(m_grid1, i,
               {r.name, QString::number(r.key.code), QString::number(r.key.shift), r.keyText, QString::number(r.kind1),
                QString::number(r.rate1), QString::number(r.kind2), QString::number(r.rate2), boolText(r.use),
                boolText(r.coupon)});
    }
    m_funcRows = m_editor.funcRows();
    m_grid2->clearContents();
    m_grid2->setRowCount(static_cast<int>(m_funcRows.size()));
    for (int i = 0; i < static_cast<int>(m_funcRows.size()); ++i) {
        const FuncRow& r = m_funcRows[static_cast<size_t>(i)];
        setRow(m_grid2, i,
               {r.name, r.function < 0 ? QString() : QString::number(r.function), QString::number(r.key.code),
                QString::number(r.key.shift), r.keyText, boolText(r.use)});
    }
}

void FrmKey::kindSelected(QComboBox* combo, QLineEdit* rate, QLabel* caption, int row)
{
    const int kind = std::max(0, combo->currentIndex());
    rate->setEnabled(DiscKindTakesRate(kind));
    caption->setText(DiscRowCaption(row, kind));
    if (rate->isEnabled() && rate->isVisible()) rate->setFocus();
}

void FrmKey::couponToggled()
{
    const bool coupon = m_coupon->isChecked();
    m_coupon->setText(coupon ? QStringLiteral("쿠폰기능") : QStringLiteral("할인기능"));
    // The hidden second row keeps its values and is saved with the key.
    for (QWidget* w : std::initializer_list<QWidget*>{m_label4, m_combo2, m_txt4}) w->setVisible(!coupon);
}

void FrmKey::clearDiscFields()
{
    m_txt1->clear();
    m_label3->clear();
    m_keyCodeA = {};
    m_use->setChecked(false);
    m_coupon->setChecked(false);
    couponToggled();
    m_combo1->setCurrentIndex(0);
    m_combo2->setCurrentIndex(0);
    kindSelected(m_combo1, m_txt3, m_label2, 1);
    kindSelected(m_combo2, m_txt4, m_label4, 2);
    m_txt3->setText(QStringLiteral("0"));
    m_txt4->setText(QStringLiteral("0"));
    m_txt1->setFocus();
    m_command2[1]->setEnabled(false);
    m_editor.clearDisc();
}

void FrmKey::clearFuncFields()
{
    m_keyCodeB = {};
    m_funcUse->setChecked(false);
    m_combo3->setCurrentIndex(0);
    m_combo3->setFocus();
    m_command4[1]->setEnabled(false);
    m_label6->clear();
    m_editor.clearFunc();
}

DiscPanel FrmKey::discPanel() const
{
    DiscPanel p;
    p.name = m_txt1->text();
    p.keyText = m_label3->text();
    p.key = m_keyCodeA;
    p.kind1 = std::max(0, m_combo1->currentIndex());
    p.rate1 = m_txt3->text();
    p.kind2 = std::max(0, m_combo2->currentIndex());
    p.rate2 = m_txt4->text();
    p.use = m_use->isChecked();
    p.coupon = m_coupon->isChecked();
    return p;
}

FuncPanel FrmKey::funcPanel() const
{
    FuncPanel p;
    p.function = std::max(0, m_combo3->currentIndex());
    p.keyText = m_label6->text();
    p.key = m_keyCodeB;
    p.use = m_funcUse->isChecked();
    return p;
}

void FrmKey::showDiscPanel(const DiscPanel& p)
{
    m_txt1->setText(p.name);
    m_keyCodeA = p.key;
    m_label3->setText(p.keyText);
    m_combo1->setCurrentIndex(p.kind1);
    kindSelected(m_combo1, m_txt3, m_label2, 1);
    m_combo2->setCurrentIndex(p.kind2);
    kindSelected(m_combo2, m_txt4, m_label4, 2);
    m_txt3->setText(p.rate1);
    m_txt4->setText(p.rate2);
    m_use->setChecked(p.use);
    m_coupon->setChecked(p.coupon);
    couponToggled();
    m_command2[1]->setEnabled(true);
    m_txt1->setFocus();
}

void FrmKey::discGridClicked(int row)
{
    if (row < 0 || row >= static_cast<int>(m_discRows.size())) return;
    showDiscPanel(m_editor.loadDiscRow(m_discRows[static_cast<size_t>(row)]));
}

void FrmKey::funcGridClicked(int row)
{
    if (row < 0 || row >= static_cast<int>(m_funcRows.size())) return;
    const FuncRow& r = m_funcRows[static_cast<size_t>(row)];
    if (r.function < 0) return;
    const FuncPanel p = m_editor.loadFuncRow(r);
    m_combo3->setCurrentIndex(p.function);
    m_funcUse->setChecked(p.use);
    m_label6->setText(p.keyText);
    m_keyCodeB = p.key;
    m_command4[1]->setEnabled(true);
    m_combo3->setFocus();
}

void FrmKey::captureDisc()
{
    const auto key = m_capture();
    if (!key) return; // the panel keeps its key
    m_label3->setText(key->text);
    m_keyCodeA = {static_cast<qint16>(key->keyCode), static_cast<qint16>(key->shift)};
}

void FrmKey::captureFunc()
{
    const auto key = m_capture();
    if (!key) return;
    m_label6->setText(key->text);
    m_keyCodeB = {static_cast<qint16>(key->keyCode), static_cast<qint16>(key->shift)};
}

void FrmKey::discButton(int index)
{
    guarded([&] {
        const DiscPanel p = discPanel();
        KeyAction a;
        if (index == 0) a = m_editor.saveDisc(p);
        else if (index == 1) a = m_editor.deleteDisc(p);
        else a = m_editor.cancelDisc(p);
        if (a.done) {
            clearDiscFields();
            fillGrids();
        }
        applyFocus(a.focus);
    });
}

void FrmKey::funcButton(int index)
{
    guarded([&] {
        const FuncPanel p = funcPanel();
        const KeyAction a = index == 0 ? m_editor.saveFunc(p) : m_editor.deleteFunc(p);
        if (a.done) {
            fillGrids();
            clearFuncFields();
        }
        applyFocus(a.focus);
    });
}

void FrmKey::applyFocus(KeyFocus f)
{
    QWidget* target = nullptr;
    switch (f) {
    case KeyFocus::Txt1: target = m_txt1; break;
    case KeyFocus::Command1: target = m_command1; break;
    case KeyFocus::Txt3: target = m_txt3; break;
    case KeyFocus::Txt4: target = m_txt4; break;
    case KeyFocus::Combo3: target = m_combo3; break;
    case KeyFocus::Command3: target = m_command3; break;
    case KeyFocus::Stay: break;
    }
    // A disabled or hidden box cannot take the focus; it stays where it is.
    if (target && target->isEnabled() && target->isVisibleTo(this)) target->setFocus();
}

void FrmKey::done(int r)
{
    if (!m_closed) {
        m_closed = true;
        m_editor.closed();
    }
    QDialog::done(r);
}

void ShowFrmKey(Station& st, QWidget* parent)
{
    FrmKey form(st, parent);
    form.exec();
}

} // namespace tolvo
