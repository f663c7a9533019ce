#include "equipment/FrmTest.h"

#include "core/Station.h"
#include "widgets/DateTimeFields.h"
#include "widgets/FormMode.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace tolvo {

namespace {

QPushButton* Button(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QLineEdit* Box(QWidget* parent, const QString& name, const QString& text = {}, int maxLength = 0)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    if (maxLength > 0) e->setMaxLength(maxLength);
    return e;
}

// A frame of display-only status boxes that document the device's status bits.
QGroupBox* StatusFrame(QWidget* parent, const QString& caption, const QStringList& boxes)
{
    auto* f = new QGroupBox(caption, parent);
    auto* l = new QVBoxLayout(f);
    for (const QString& b : boxes) {
        auto* c = new QCheckBox(b, f);
        c->setEnabled(false);
        l->addWidget(c);
    }
    return f;
}

// Busy pointer for the life of a slow device job.
struct BusyPointer {
    BusyPointer() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
};

} // namespace

FrmTest::FrmTest(Station& st, EquipmentLinks links, QWidget* parent)
    : QDialog(parent), m_st(st), m_logic(st, std::move(links))
{
    setObjectName(QStringLiteral("FrmTest"));
    setWindowTitle(QStringLiteral("장비 테스트"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(tdPanel(), 0, 0, 2, 1);
    grid->addWidget(readerPanel(), 0, 1, 2, 1);
    grid->addWidget(feePanel(), 0, 2);
    grid->addWidget(exitReaderPanel(), 1, 2);
    grid->addWidget(seasonPanel(), 2, 0);
    grid->addWidget(generatorPanel(), 2, 1);
    auto* exitButton = Button(this, QStringLiteral("Command2"), QStringLiteral("Exit"));
    grid->addWidget(exitButton, 2, 2);
    connect(exitButton, &QPushButton::clicked, this, [this] { accept(); });
    // Narrow margins keep the three columns within the booth's 1024 pixels.
    for (QLayout* l : findChildren<QLayout*>()) l->setContentsMargins(6, 6, 6, 6);

    const QDateTime now = m_st.clock.now();
    for (QDateEdit* d : {m_dt1, m_dt3}) d->setDate(now.date());
    for (QTimeEdit* t : {m_dt2, m_dt4}) t->setTime(now.time());
    exitActionChosen(0);
    if (m_logic.exitReaderUsable()) showReadBack(m_logic.readBack());
    else m_exitPanel->setEnabled(false);
    m_feePanel->setEnabled(m_logic.feeDisplayUsable());
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);
    CentreOnScreen(*this);
}

QGroupBox* FrmTest::tdPanel()
{
    auto* p = new QGroupBox(QStringLiteral("TD Test"), this);
    m_vscroll1 = new QScrollBar(Qt::Vertical, p);
    m_vscroll1->setObjectName(QStringLiteral("VScroll1"));
    m_vscroll1->setRange(0, 34);
    m_text2 = Box(p, QStringLiteral("Text2"), QStringLiteral("00"));
    m_text3 = Box(p, QStringLiteral("Text3"));
    m_label4 = new QLabel(p);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setWordWrap(true);
    auto* run = Button(p, QStringLiteral("Command3"), QStringLiteral("RUN"));
    auto* ctl = Button(p, QStringLiteral("Command8_0"), QStringLiteral("CTL-900 Time Set"));
    auto* vfd = Button(p, QStringLiteral("Command8_1"), QStringLiteral("VFD Time Set"));
    auto* g = new QGridLayout(p);
    g->addWidget(new QLabel(QStringLiteral("COMMAND :"), p), 0, 0);
    g->addWidget(m_text2, 0, 1);
    g->addWidget(m_vscroll1, 0, 2, 2, 1);
    g->addWidget(new QLabel(QStringLiteral("SUB COMMAND :"), p), 1, 0);
    g->addWidget(m_text3, 1, 1);
    g->addWidget(m_label4, 2, 0, 1, 3);
    g->addWidget(run, 3, 0);
    g->addWidget(ctl, 3, 1);
    g->addWidget(vfd, 3, 2);
    g->addWidget(StatusFrame(p, QStringLiteral("STATUS1"),
                             {"기기정지", "차단기 열림", "차단기 꺽임", "무료입력", "만차", "장시간 열림"}), 4, 0);
    g->addWidget(StatusFrame(p, QStringLiteral("STATUS2"),
                             {"장비 점검중", "용지 부족", "용지 없음", "입차정보 ", "EVENT 정보"}), 4, 1);
    QStringList outs;
    for (int n = 1; n <= 8; ++n) outs << QStringLiteral("%1번").arg(n);
    g->addWidget(StatusFrame(p, QStringLiteral("출력"), outs), 4, 2);
    connect(m_vscroll1, &QScrollBar::valueChanged, this, &FrmTest::scrolled);
    connect(run, &QPushButton::clicked, this, [this] { m_logic.tdRun(m_text2->text(), m_text3->text()); });
    connect(ctl, &QPushButton::clicked, this, [this] { m_logic.tdClock(0); });
    connect(vfd, &QPushButton::clicked, this, [this] { m_logic.tdClock(1); });
    return p;
}

QGroupBox* FrmTest::readerPanel()
{
    auto* p = new QGroupBox(QStringLiteral("Reader Test"), this);
    m_combo1 = new QComboBox(p);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->addItems(ReaderCommandNames());
    m_combo1->setCurrentIndex(0);
    m_text1 = Box(p, QStringLiteral("Text1"));
    m_txtTD = Box(p, QStringLiteral("TxtTD"), QStringLiteral("0001"));
    m_dt1 = new QDateEdit(p);
    m_dt1->setObjectName(QStringLiteral("DTPicker1"));
    DateField(m_dt1);
    m_dt2 = new QTimeEdit(p);
    m_dt2->setObjectName(QStringLiteral("DTPicker2"));
    TimeField(m_dt2);
    auto* run = Button(p, QStringLiteral("Command1"), QStringLiteral("RUN"));
    auto* prepare = Button(p, QStringLiteral("Command5"), QStringLiteral("준비"));
    auto* issue = Button(p, QStringLiteral("Command7"), QStringLiteral("발행"));
    auto* erase = Button(p, QStringLiteral("Command11"), QStringLiteral("소거"));
    auto* g = new QGridLayout(p);
    g->addWidget(m_combo1, 0, 0, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("SUB COMMAND :"), p), 1, 0);
    g->addWidget(m_text1, 1, 1);
    g->addWidget(run, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("ZP2000을 이용해서 티켓을 발행한다."), p), 2, 0, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("티켓번호 : "), p), 3, 0);
    g->addWidget(m_txtTD, 3, 1);
    g->addWidget(new QLabel(QStringLiteral("입차일시 : "), p), 4, 0);
    g->addWidget(m_dt1, 4, 1);
    g->addWidget(m_dt2, 4, 2);
    g->addWidget(prepare, 5, 0);
    g->addWidget(issue, 5, 1);
    g->addWidget(erase, 5, 2);
    g->addWidget(new QLabel(QStringLiteral("ERROR : "), p), 6, 0);
    g->addWidget(StatusFrame(p, QStringLiteral("STATUS1"),
                             {"입구 및 장비내부에 카드가 없다.", "입구에 카드가 있다.",
                              "장비 내에 카드가 있고 명령실행 가능한 상태이다.", "입구에 카드가 걸려 있다.",
                              "중앙에 카드가 걸려 있다.", "인쇄부(후방부)에 카드가 걸려 있다."}),
                 7, 0, 1, 3);
    connect(run, &QPushButton::clicked, this, [this] {
        BusyPointer busy;
        m_logic.readerRun(m_combo1->currentIndex(), m_text1->text());
    });
    connect(prepare, &QPushButton::clicked, this, [this] { m_logic.readerPrepare(); });
    connect(issue, &QPushButton::clicked, this, [this] {
        BusyPointer busy;
        m_logic.readerIssue(m_txtTD->text(), m_dt1->date(), m_dt2->time());
    });
    connect(erase, &QPushButton::clicked, this, [this] {
        BusyPointer busy;
        m_logic.readerErase();
    });
    return p;
}

QGroupBox* FrmTest::feePanel()
{
    m_feePanel = new QGroupBox(QStringLiteral("요금 표시기"), this);
    m_combo2 = new QComboBox(m_feePanel);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_combo2->addItems(FeeTestNames());
    m_combo2->setCurrentIndex(0);
    m_txt1 = Box(m_feePanel, QStringLiteral("Txt1_2"), QStringLiteral("1230"));
    auto* ok = Button(m_feePanel, QStringLiteral("Command6"), QStringLiteral("확인"));
    auto* g = new QGridLayout(m_feePanel);
    g->addWidget(m_combo2, 0, 0, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("설정값 : "), m_feePanel), 1, 0);
    g->addWidget(m_txt1, 1, 1);
    g->addWidget(ok, 2, 1);
    connect(ok, &QPushButton::clicked, this, [this] { m_logic.feeTest(m_combo2->currentIndex(), m_txt1->text()); });
    return m_feePanel;
}

QGroupBox* FrmTest::exitReaderPanel()
{
    m_exitPanel = new QGroupBox(QStringLiteral("출구 판독기"), this);
    QWidget* p = m_exitPanel;
    m_combo3 = new QComboBox(p);
    m_combo3->setObjectName(QStringLiteral("Combo3"));
    m_combo3->addItems(ExitReaderActionNames());
    m_combo3->setCurrentIndex(0);
    m_dt3 = new QDateEdit(p);
    m_dt3->setObjectName(QStringLiteral("DTPicker3"));
    DateField(m_dt3);
    m_dt4 = new QTimeEdit(p);
    m_dt4->setObjectName(QStringLiteral("DTPicker4"));
    TimeField(m_dt4, TimeShown::WithSeconds);
    m_text6 = Box(p, QStringLiteral("Text6"));
    m_text7 = Box(p, QStringLiteral("Text7"),
                  QStringLiteral("저희 주차장을 이용해주셔서 감사드립니다  === 오늘도 좋은 하루 되세요! ==="));
    m_text7->hide();
    m_label13 = new QLabel(QStringLiteral("현재시간 : "), p);
    m_label13->setObjectName(QStringLiteral("Label13"));
    m_label14 = new QLabel(QStringLiteral("재설정 :"), p);
    m_label14->setObjectName(QStringLiteral("Label14"));
    m_label15 = new QLabel(QStringLiteral("허용시간 : "), p);
    m_label15->setObjectName(QStringLiteral("Label15"));
    auto* label16 = new QLabel(QStringLiteral("분"), p);
    label16->setObjectName(QStringLiteral("Label16"));
    auto* run = Button(p, QStringLiteral("Command15"), QStringLiteral("RUN"));
    auto* g = new QGridLayout(p);
    g->addWidget(m_combo3, 0, 0, 1, 3);
    g->addWidget(m_label13, 1, 0, 1, 3);
    g->addWidget(m_label14, 2, 0);
    g->addWidget(m_dt3, 2, 1);
    g->addWidget(m_dt4, 2, 2);
    g->addWidget(m_text7, 2, 1, 1, 2);
    g->addWidget(m_label15, 3, 0);
    g->addWidget(m_text6, 3, 1);
    g->addWidget(label16, 3, 2);
    g->addWidget(run, 4, 2);
    connect(m_combo3, &QComboBox::activated, this, &FrmTest::exitActionChosen);
    connect(run, &QPushButton::clicked, this, &FrmTest::exitReaderRun);
    return m_exitPanel;
}

QGroupBox* FrmTest::seasonPanel()
{
    auto* p = new QGroupBox(QStringLiteral("정기권 테스트"), this);
    m_text4[2] = Box(p, QStringLiteral("Text4_2"), QStringLiteral("0000000001"), 10);
    auto* g = new QGridLayout(p);
    g->addWidget(new QLabel(QStringLiteral("태그번호 : "), p), 0, 0);
    g->addWidget(m_text4[2], 0, 1, 1, 3);
    const char* captions[4] = {"입차1", "출차1", "입차2", "출차2"};
    for (int i = 0; i < 4; ++i) {
        auto* b = Button(p, QStringLiteral("CmdJ_%1").arg(i), QString::fromUtf8(captions[i]));
        g->addWidget(b, 1, i);
        connect(b, &QPushButton::clicked, this, [this, i] { m_logic.seasonCard(i, m_text4[2]->text()); });
    }
    return p;
}

QGroupBox* FrmTest::generatorPanel()
{
    auto* p = new QGroupBox(QStringLiteral("테스트용 데이터생성"), this);
    m_text4[0] = Box(p, QStringLiteral("Text4_0"), QStringLiteral("0001"), 4);
    m_text4[1] = Box(p, QStringLiteral("Text4_1"), QStringLiteral("0100"), 4);
    auto* in = Button(p, QStringLiteral("Command9_0"), QStringLiteral("입차"));
    auto* out = Button(p, QStringLiteral("Command9_1"), QStringLiteral("출차"));
    auto* g = new QGridLayout(p);
    g->addWidget(new QLabel(QStringLiteral("티켓번호 : "), p), 0, 0);
    g->addWidget(m_text4[0], 0, 1);
    g->addWidget(m_text4[1], 0, 2);
    g->addWidget(in, 1, 1);
    g->addWidget(out, 1, 2);
    for (int i = 0; i < 2; ++i) {
        connect(i == 0 ? in : out, &QPushButton::clicked, this, [this, i] {
            BusyPointer busy;
            m_logic.generate(i, m_text4[0]->text(), m_text4[1]->text());
        });
    }
    return p;
}

void FrmTest::scrolled(int value)
{
    m_text2->setText(QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')));
    const TdCommandView v = TdCommand(value, m_st.clock.now());
    m_label4->setText(v.label);
    if (v.text3) m_text3->setText(*v.text3);
    if (v.enabled) m_text3->setEnabled(*v.enabled);
}

void FrmTest::exitActionChosen(int index)
{
    const bool guide = index == 6;
    m_dt3->setVisible(!guide);
    m_dt4->setVisible(!guide);
    m_text6->setVisible(!guide);
    m_text7->setVisible(guide);
    m_label14->setText(guide ? QStringLiteral("안내문구 : ") : QStringLiteral("재설정 : "));
    m_label15->setText(guide ? QString() : QStringLiteral("허용시간 : "));
}

void FrmTest::exitReaderRun()
{
    const int index = m_combo3->currentIndex();
    if (index == 6) exitActionChosen(6);
    BusyPointer busy;
    if (const auto v = m_logic.exitReaderRun(index, m_dt3->date(), m_dt4->time(), m_text6->text(), m_text7->text()))
        showReadBack(*v);
}

void FrmTest::showReadBack(const ReadBackView& v)
{
    m_label13->setText(v.label13);
    m_text6->setText(v.text6);
}

// Every way of closing leaves the reader free for the exit flow.
void FrmTest::done(int r)
{
    m_logic.exit();
    QDialog::done(r);
}

void ShowFrmTest(Station& st, const EquipmentLinks& links, QWidget* parent)
{
    FrmTest form(st, links, parent);
    form.exec();
}

} // namespace tolvo
