#include "serial/FrmPort.h"

#include "serial/Comm.h"
#include "database/ModelCodes.h"
#include "core/Sql.h"
#include "core/Station.h"
#include "widgets/FormMode.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tolvo {

namespace {

const char* const kLineFields[5] = {"포트번호", "Baud", "ParityBit", "DataBit", "StopBit"};
const char* const kLineLabels[5] = {"Port :", "Baud :", "Parity :", "Data :", "Stop :"};

QStringList LineItems(int k)
{
    switch (k) {
    case 0: {
        QStringList l;
        for (int n = 1; n <= 16; ++n) l << QStringLiteral("Com%1").arg(n);
        return l;
    }
    case 1: return {"1200", "2400", "4800", "9600", "19200"};
    case 2: return {"n", "e", "o"};
    case 3: return {"5", "6", "7", "8"};
    default: return {"1", "2"};
    }
}

QString ModelLabel(int port)
{
    if (port == PortHost) return QStringLiteral("Time :");
    if (port == PortCalc) return QStringLiteral("코드 :");
    return QStringLiteral("기종 :");
}

QComboBox* List(QWidget* parent, const QString& name, const QStringList& items)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    return c;
}

void Show(QComboBox* c, const QVariant& v) { c->setCurrentIndex(c->findText(v.toString())); }

void Put(QVariantMap& m, const char* field, const QComboBox* c)
{
    if (c && c->currentIndex() >= 0) m.insert(QString::fromUtf8(field), c->currentText());
}

} // namespace

FrmPort::FrmPort(Station& st, QWidget* parent) : QDialog(parent), m_st(st), m_logic(st)
{
    setObjectName(QStringLiteral("FrmPort"));
    setWindowTitle(QStringLiteral("포트설정"));
    // Four frames a row so the screen fits the booth's 1024x768: the fee
    // calculator's frame takes two cells for its mode controls, and the
    // status and buttons sit in the last cell.
    auto* grid = new QGridLayout(this);
    grid->setVerticalSpacing(4);
    for (int port = 0; port < 9; ++port) grid->addWidget(buildFrame(port), port / 4, port % 4);
    grid->addWidget(buildFrame(PortCalc), 2, 1, 1, 2);

    auto* bottom = new QGroupBox(this);
    m_test = new QPushButton(QStringLiteral("Test"), bottom);
    m_test->setObjectName(QStringLiteral("Command1_0"));
    m_end = new QPushButton(QStringLiteral("종료"), bottom);
    m_end->setObjectName(QStringLiteral("Command1_1"));
    m_status = new QLabel(bottom);
    m_status->setObjectName(QStringLiteral("LblStatus"));
    m_status->setWordWrap(true);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* column = new QVBoxLayout(bottom);
    column->addWidget(new QLabel(QStringLiteral("포트(Com) 상태 : "), bottom));
    column->addWidget(m_status, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_test);
    buttons->addWidget(m_end);
    column->addLayout(buttons);
    grid->addWidget(bottom, 2, 3);

    connect(m_test, &QPushButton::clicked, this, &FrmPort::testClicked);
    connect(m_end, &QPushButton::clicked, this, &FrmPort::finishClicked);
    m_logic.onStatus = [this](const QString& t) { m_status->setText(t); };
    m_logic.onPointer = [](bool busy) {
        if (busy) QApplication::setOverrideCursor(Qt::BusyCursor);
        else QApplication::restoreOverrideCursor();
    };
    load();
    if (m_st.comm) m_status->setText(m_st.comm->StatusText);
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);
}

QWidget* FrmPort::buildFrame(int port)
{
    const PortFrame& pf = PortFrames()[port];
    Frame& f = m_frames[port];
    auto* box = new QGroupBox(QString::fromUtf8(pf.caption), this);
    box->setObjectName(QStringLiteral("Frame_%1").arg(port));
    // Labels in column 0, lists over columns 1 to 3; Data and Stop share a row.
    auto* g = new QGridLayout(box);
    g->setVerticalSpacing(3);
    int r = 0;
    f.model = List(box, QStringLiteral("Model_%1").arg(port), pf.models);
    g->addWidget(new QLabel(ModelLabel(port), box), r, 0);
    g->addWidget(f.model, r++, 1, 1, 3);
    for (int k = 0; k < 5; ++k) {
        f.line[k] = List(box, QStringLiteral("%1_%2").arg(QString::fromUtf8(kLineFields[k])).arg(port), LineItems(k));
        auto* label = new QLabel(QString::fromUtf8(kLineLabels[k]), box);
        if (k == 3) {
            g->addWidget(label, r, 0);
            g->addWidget(f.line[k], r, 1);
        } else if (k == 4) {
            g->addWidget(label, r, 2);
            g->addWidget(f.line[k], r++, 3);
        } else {
            g->addWidget(label, r, 0);
            g->addWidget(f.line[k], r++, 1, 1, 3);
        }
    }
    if (pf.gate) {
        f.gateCtl = List(box, QStringLiteral("Gate제어_%1").arg(port), models::GateControls());
        g->addWidget(new QLabel(QStringLiteral("차단기제어 : "), box), r, 0);
        g->addWidget(f.gateCtl, r++, 1, 1, 3);
    }
    if (port == PortPrinter) {
        f.printerPort = List(box, QStringLiteral("PORT"), {"Rs232c", "LPT1", "LPT2", "FILE"});
        g->addWidget(new QLabel(QStringLiteral("포트 :"), box), r, 0);
        g->addWidget(f.printerPort, r++, 1, 1, 3);
    }
    f.use = new QCheckBox(QStringLiteral("   사용여부"), box);
    f.use->setObjectName(QStringLiteral("Check1_%1").arg(pf.useCheck));
    g->addWidget(f.use, r, 0);
    if (port != PortPrinter) {
        f.feedBack = new QPushButton(QStringLiteral("Feed Back"), box);
        f.feedBack->setObjectName(QStringLiteral("Command2_%1").arg(port));
        g->addWidget(f.feedBack, r, 1, 1, 3);
        connect(f.feedBack, &QPushButton::clicked, this, [this, port] { feedBackClicked(port); });
    }
    g->setRowStretch(++r, 1); // frames of a row keep their lists at the top
    if (pf.gate) connect(f.use, &QCheckBox::toggled, f.gateCtl, &QWidget::setEnabled);
    if (port == PortCalc) {
        m_optReader = new QRadioButton(QStringLiteral("출구판독기"), box);
        m_optReader->setObjectName(QStringLiteral("Option1_0"));
        m_optCalc = new QRadioButton(QStringLiteral("요금계산기"), box);
        m_optCalc->setObjectName(QStringLiteral("Option1_1"));
        m_master = new QCheckBox(QStringLiteral("Master"), box);
        m_master->setObjectName(QStringLiteral("Check1_10"));
        m_name = new QLineEdit(box);
        m_name->setObjectName(QStringLiteral("기기명칭"));
        m_nameLabel = new QLabel(QStringLiteral("명칭 :"), box);
        auto* mode = new QVBoxLayout; // beside the lists, in the frame's second cell
        mode->addWidget(m_optReader);
        mode->addWidget(m_optCalc);
        mode->addWidget(m_master);
        mode->addWidget(m_nameLabel);
        mode->addWidget(m_name);
        mode->addStretch(1);
        g->addLayout(mode, 0, 4, r, 1);
        g->setColumnMinimumWidth(4, 120);
        connect(m_master, &QCheckBox::clicked, this,
                [this](bool on) { m_master->setText(on ? QStringLiteral("Master") : QStringLiteral("Slave")); });
        connect(m_optReader, &QRadioButton::clicked, this, [this] { modeChosen(true); });
        connect(m_optCalc, &QRadioButton::clicked, this, [this] { modeChosen(false); });
    }
    return box;
}

void FrmPort::load()
{
    const auto rows = ReadPortRows(m_st);
    for (int port = 0; port < 10; ++port) {
        const QVariantMap& row = rows[port];
        Frame& f = m_frames[port];
        Show(f.model, row.value(QString::fromUtf8(PortFrames()[port].modelField)));
        for (int k = 0; k < 5; ++k) Show(f.line[k], row.value(QString::fromUtf8(kLineFields[k])));
        if (f.gateCtl) Show(f.gateCtl, row.value(QStringLiteral("Gate제어")));
        if (f.printerPort) Show(f.printerPort, row.value(QStringLiteral("PORT")));
        f.use->setChecked(ToBool(row.value(QStringLiteral("사용여부"))));
    }
    m_master->setChecked(ToBool(rows[PortCalc].value(QStringLiteral("기기구분"))));
    m_name->setText(rows[PortCalc].value(QStringLiteral("기기명칭")).toString());
}

FrameEdits FrmPort::edits() const
{
    FrameEdits e;
    for (int port = 0; port < 10; ++port) {
        const Frame& f = m_frames[port];
        e[port].model = f.model->currentIndex();
        for (int k = 0; k < 5; ++k) Put(e[port].fields, kLineFields[k], f.line[k]);
        Put(e[port].fields, "Gate제어", f.gateCtl);
        Put(e[port].fields, "PORT", f.printerPort);
        e[port].fields.insert(QStringLiteral("사용여부"), f.use->isChecked());
    }
    e[PortCalc].fields.insert(QStringLiteral("기기구분"), m_master->isChecked());
    e[PortCalc].fields.insert(QStringLiteral("기기명칭"), m_name->text());
    return e;
}

void FrmPort::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    activate();
}

void FrmPort::activate()
{
    for (const int port : {1, 2, 3, 5}) m_frames[port].gateCtl->setEnabled(m_frames[port].use->isChecked());
    m_master->setText(m_st.models.PosCode != 0 ? QStringLiteral("Slave") : QStringLiteral("Master"));
    const bool reader = m_logic.exitReaderMode();
    (reader ? m_optReader : m_optCalc)->setChecked(true);
    modeChosen(reader);
}

void FrmPort::modeChosen(bool exitReader)
{
    m_logic.chooseMode(exitReader);
    m_master->setVisible(!exitReader);
    m_name->setVisible(!exitReader);
    m_nameLabel->setVisible(!exitReader);
}

void FrmPort::setBusy(bool busy)
{
    m_test->setEnabled(!busy);
    m_end->setEnabled(!busy);
    for (Frame& f : m_frames)
        if (f.feedBack) f.feedBack->setEnabled(!busy);
}

void FrmPort::testClicked()
{
    setBusy(true);
    m_logic.test(edits());
    setBusy(false);
}

void FrmPort::finishClicked()
{
    if (m_logic.running()) return;
    m_logic.finish(edits());
    closeNow();
}

void FrmPort::feedBackClicked(int port)
{
    setBusy(true);
    m_logic.loopTest(edits(), port);
    setBusy(false);
}

// Applies the settings once, whichever way the screen closes; refused mid-test.
bool FrmPort::closeNow()
{
    if (m_logic.running()) return false;
    if (!m_closed) {
        m_closed = true;
        m_logic.close(edits());
    }
    QDialog::reject();
    return true;
}

void FrmPort::closeEvent(QCloseEvent* e)
{
    if (m_logic.running()) {
        e->ignore();
        return;
    }
    if (!m_closed) {
        m_closed = true;
        m_logic.close(edits());
    }
    QDialog::closeEvent(e);
}

void FrmPort::reject() { closeNow(); }

void ShowFrmPort(Station& st, QWidget* parent)
{
    FrmPort form(st, parent);
    form.exec();
}

} // namespace tolvo
