#include "equipment/EquipmentScreens.h"

#include "core/Station.h"
#include "equipment/EquipmentScreensLogic.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"
#include "widgets/DialogKeys.h"
#include "widgets/FormMode.h"
#include "widgets/TextFields.h"

#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>
#include <memory>

namespace tolvo {

namespace {

template <typename W> W* named(const QString& name, W* w)
{
    w->setObjectName(name);
    return w;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = named(name, new QPushButton(caption, parent));
    b->setAutoDefault(false);
    return b;
}

QLabel* label(QWidget* parent, const QString& name, const QString& caption)
{
    return named(name, new QLabel(caption, parent));
}

// A device screen: its close button is also Esc, and while it waits for a
// device it can be neither closed nor triggered again.
class DeviceDialog : public QDialog {
public:
    DeviceDialog(Station& st, QWidget* parent, const QString& name, const QString& caption)
        : QDialog(parent), m_st(st)
    {
        setObjectName(name);
        setWindowTitle(caption);
    }

    void reject() override
    {
        if (!m_waiting) QDialog::reject();
    }

protected:
    void whileWaiting(const std::function<void()>& job)
    {
        if (m_waiting) return;
        m_waiting = true;
        setEnabled(false);
        job();
        setEnabled(true);
        m_waiting = false;
    }
    void finish()
    {
        CentreOnScreen(*this);
        ApplyFormMode(m_st, *this);
    }

    Station& m_st;

private:
    bool m_waiting = false;
};

QLineEdit* greenOnBlack(QWidget* parent, const QString& text)
{
    auto* e = named(QStringLiteral("Text1"), new QLineEdit(text, parent));
    e->setStyleSheet(QStringLiteral("color: #00ff00; background: black;"));
    return e;
}

// ---- FrmTDCnt ----

class FrmTDCnt : public DeviceDialog {
public:
    FrmTDCnt(Station& st, QWidget* parent)
        : DeviceDialog(st, parent, QStringLiteral("FrmTDCnt"), QStringLiteral("발권기 주차권교환"))
    {
        IgnoreEscape(*this);
        auto* txt = named(QStringLiteral("Txt1"), new QLineEdit(this));
        auto* name = label(this, QStringLiteral("LblName"), StockLabel(st.settings.TicketsLeft));
        auto* ok = button(this, QStringLiteral("cmdOK"), QStringLiteral("확인"));
        auto* close = button(this, QStringLiteral("Command1"), QStringLiteral("종료"));
        auto* shape = named(QStringLiteral("Shape1"), new QFrame(this));
        shape->setFrameShape(QFrame::Box);
        auto* grid = new QGridLayout(shape);
        grid->addWidget(label(this, QStringLiteral("LblLog"), QStringLiteral(" 발권기의 잔여주차권 매수를 수정합니다.")), 0, 0, 1, 2);
        grid->addWidget(label(this, QStringLiteral("lblLabels"), QStringLiteral("잔여주차권 매수수정 : ")), 1, 0);
        grid->addWidget(txt, 1, 1);
        grid->addWidget(name, 2, 0, 1, 2);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(ok);
        buttons->addWidget(close);
        auto* main = new QVBoxLayout(this);
        main->addWidget(shape);
        main->addLayout(buttons);
        m_ntext = std::make_unique<clsNtext>(txt);
        connect(ok, &QPushButton::clicked, this, [this, txt, name] {
            if (StoreTicketStock(m_st, txt->text()))
                name->setText(QStringLiteral("현재 잔여주차권 매수: ") + txt->text());
            else
                txt->clear();
        });
        connect(close, &QPushButton::clicked, this, [this] {
            ShowStockOnMain(m_st);
            m_ntext.reset();
            accept();
        });
        finish();
    }

private:
    std::unique_ptr<clsNtext> m_ntext;
};

// ---- FrmTD ----

class FrmTD : public DeviceDialog {
public:
    FrmTD(Station& st, QWidget* parent)
        : DeviceDialog(st, parent, QStringLiteral("FrmTD"), QStringLiteral("주차권 발권기"))
    {
        buildDispenser();
        buildFeeDisplay();
        auto* exit = button(this, QStringLiteral("Command2"), QStringLiteral("Exit"));
        connect(exit, &QPushButton::clicked, this, &QDialog::reject);
        auto* main = new QVBoxLayout(this);
        main->addWidget(m_frame1);
        main->addWidget(m_frame2);
        main->addWidget(exit, 0, Qt::AlignRight);

        m_list->setCurrentRow(0);
        m_combo->setCurrentIndex(0);
        selectCommand(0);
        selectFeeTest(0);
        if (!portOpen(PortDispenser)) {
            m_frame1->setEnabled(false);
            m_guide->setText(TdPortClosedText());
        }
        if (!portOpen(PortFeeDisp)) m_frame2->setEnabled(false);
        finish();
    }

private:
    bool portOpen(int port) const { return m_st.comm && m_st.comm->PortOpen(port); }

    void buildDispenser()
    {
        m_frame1 = named(QStringLiteral("Frame1"), new QGroupBox(QStringLiteral("발행기"), this));
        m_list = named(QStringLiteral("List1"), new QListWidget(m_frame1));
        for (int i = 0; i < kTdCommandCount; ++i) m_list->addItem(TdCommandName(i));
        for (int i = 0; i < 2; ++i) {
            m_txt[i] = named(QStringLiteral("Txt1_%1").arg(i), new QLineEdit(m_frame1));
            m_txt[i]->setMaxLength(4);
        }
        m_guide = label(m_frame1, QStringLiteral("Lbl_0"), QString());
        m_guide->setStyleSheet(QStringLiteral("color: #800000; background: #c0c0c0;"));
        m_guide->setWordWrap(true);
        auto* send = button(m_frame1, QStringLiteral("Command3"), QStringLiteral("확인"));
        auto* grid = new QGridLayout(m_frame1);
        grid->addWidget(m_list, 0, 0, 4, 1);
        grid->addWidget(label(m_frame1, QStringLiteral("Label1"), QStringLiteral("설정변수 : ")), 0, 1);
        grid->addWidget(m_txt[0], 0, 2);
        grid->addWidget(m_txt[1], 0, 3);
        grid->addWidget(label(m_frame1, QStringLiteral("Label3"), QStringLiteral("참고 사항 : ")), 1, 1);
        grid->addWidget(m_guide, 2, 1, 1, 3);
        grid->addWidget(send, 3, 3);
        connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { selectCommand(row); });
        connect(send, &QPushButton::clicked, this, [this] {
            whileWaiting([this] { SendTdCommand(m_st, m_list->currentRow(), m_txt[0]->text(), m_txt[1]->text()); });
        });
    }

    void buildFeeDisplay()
    {
        m_frame2 = named(QStringLiteral("Frame2"), new QGroupBox(QStringLiteral("요금 표시기"), this));
        m_combo = named(QStringLiteral("Combo2"), new QComboBox(m_frame2));
        for (int i = 0; i < kFeeTestCount; ++i) m_combo->addItem(FeeTestName(i));
        m_value = named(QStringLiteral("Txt1_2"), new QLineEdit(m_frame2));
        auto* run = button(m_frame2, QStringLiteral("Command1"), QStringLiteral("확인"));
        auto* loop = button(m_frame2, QStringLiteral("Command4"), QStringLiteral("Feed Back Test"));
        auto* row = new QHBoxLayout(m_frame2);
        row->addWidget(m_combo);
        row->addWidget(label(m_frame2, QStringLiteral("Label2"), QStringLiteral("설정값 : ")));
        row->addWidget(m_value);
        row->addWidget(run);
        row->addWidget(loop);
        connect(m_combo, &QComboBox::currentIndexChanged, this, [this](int i) { selectFeeTest(i); });
        connect(run, &QPushButton::clicked, this,
                [this] { whileWaiting([this] { RunFeeTest(m_st, m_combo->currentIndex(), m_value->text()); }); });
        connect(loop, &QPushButton::clicked, this, [this] { whileWaiting([this] { FeeDisplayLoopTest(m_st); }); });
    }

    void selectCommand(int pos)
    {
        if (pos < 0) return;
        const TdSelection s = SelectTdCommand(m_st, pos);
        m_txt[0]->setMaxLength(s.maxLength0);
        m_txt[0]->setEnabled(s.enabled0);
        m_txt[0]->setText(s.text0);
        m_txt[1]->setEnabled(s.enabled1);
        m_txt[1]->setText(s.text1);
        m_guide->setText(s.guide);
    }

    void selectFeeTest(int index)
    {
        const FeeTestBox b = SelectFeeTest(index, m_st.clock.now());
        if (!b.changes) return;
        m_value->setMaxLength(b.maxLength);
        m_value->setEnabled(b.enabled);
        m_value->setText(b.text);
    }

    QGroupBox* m_frame1 = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QListWidget* m_list = nullptr;
    std::array<QLineEdit*, 2> m_txt{};
    QLabel* m_guide = nullptr;
    QComboBox* m_combo = nullptr;
    QLineEdit* m_value = nullptr;
};

// ---- FrmInfom and FrmOutRd ----

// Title, opening time, a green-on-black text and a row of buttons.
class GuideDialog : public DeviceDialog {
public:
    GuideDialog(Station& st, QWidget* parent, const QString& name, const QString& caption, const QString& title,
                const QString& text)
        : DeviceDialog(st, parent, name, caption)
    {
        m_text = greenOnBlack(this, text);
        m_buttons = new QHBoxLayout;
        auto* main = new QVBoxLayout(this);
        main->addWidget(label(this, QStringLiteral("Label1"), title));
        main->addWidget(label(this, QStringLiteral("Label2"), OpeningStamp(st.clock.now())));
        main->addWidget(m_text);
        main->addLayout(m_buttons);
    }

protected:
    QPushButton* add(const QString& name, const QString& caption)
    {
        auto* b = button(this, name, caption);
        m_buttons->addWidget(b);
        return b;
    }

    QLineEdit* m_text = nullptr;

private:
    QHBoxLayout* m_buttons = nullptr;
};

class FrmInfom : public GuideDialog {
public:
    FrmInfom(Station& st, DispenserFamily1* link, QWidget* parent)
        : GuideDialog(st, parent, QStringLiteral("FrmInfom"), QStringLiteral("발권기 안내 멘트 설정"),
                      QStringLiteral("주차권 발행기"), QStringLiteral("주차장을 이용해 주셔서 감사합니다."))
    {
        const auto action = [this, link](InfomAction a) {
            whileWaiting([this, link, a] { RunInfomAction(m_st, link, a, m_text->text()); });
        };
        connect(add(QStringLiteral("Command1_0"), QStringLiteral("멘트전송")), &QPushButton::clicked, this,
                [action] { action(InfomAction::SendText); });
        connect(add(QStringLiteral("Command8_0"), QStringLiteral("CTL-900 Time Set")), &QPushButton::clicked, this,
                [action] { action(InfomAction::ClockSet); });
        connect(add(QStringLiteral("Command8_1"), QStringLiteral("VFD Time Set")), &QPushButton::clicked, this,
                [action] { action(InfomAction::DisplayTime); });
        connect(add(QStringLiteral("Command1_1"), QStringLiteral("종료")), &QPushButton::clicked, this,
                &QDialog::reject);
        finish();
    }
};

class FrmOutRd : public GuideDialog {
public:
    FrmOutRd(Station& st, QWidget* parent)
        : GuideDialog(st, parent, QStringLiteral("FrmOutRd"), QStringLiteral("주차권 판독기 안내 멘트 설정"),
                      QStringLiteral("주차권 판독기"), QStringLiteral("저희 주차장을 이용해 주셔서 감사합니다."))
    {
        connect(add(QStringLiteral("Command1_1"), QStringLiteral("시간 재설정")), &QPushButton::clicked, this,
                [this] { Disp_TimeText(m_st); });
        connect(add(QStringLiteral("Command1_3"), QStringLiteral("종료")), &QPushButton::clicked, this,
                &QDialog::reject);
        finish();
    }
};

} // namespace

void ShowFrmTDCnt(Station& st, QWidget* parent)
{
    FrmTDCnt form(st, parent);
    form.exec();
}

void ShowFrmTD(Station& st, QWidget* parent)
{
    FrmTD form(st, parent);
    form.exec();
}

void ShowFrmInfom(Station& st, DispenserFamily1* link, QWidget* parent)
{
    FrmInfom form(st, link, parent);
    form.exec();
}

void ShowFrmOutRd(Station& st, QWidget* parent)
{
    FrmOutRd form(st, parent);
    form.exec();
}

} // namespace tolvo
