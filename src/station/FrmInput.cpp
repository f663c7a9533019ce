#include "station/FrmInput.h"
#include "widgets/DialogKeys.h"

#include "widgets/DateTimeFields.h"
#include "widgets/FormMode.h"
#include "station/FrmInputLogic.h"
#include "core/Station.h"
#include "platform/Clock.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvo {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QLineEdit* maskBox(QWidget* parent, const char* name, const QString& mask, const QString& text)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setInputMask(mask);
    e->setText(text);
    return e;
}

} // namespace

FrmInput::FrmInput(const QString& ticketNo, const Clock& clock, QWidget* parent)
    : QDialog(parent), m_clock(clock), m_ticketNo(ticketNo)
{
    const QDateTime now = clock.now();
    IgnoreEscape(*this);
    setObjectName(QStringLiteral("FrmInput"));
    setWindowTitle(QStringLiteral("발권정보 입력"));
    setModal(true);

    m_date = maskBox(this, "MaskEdBox1", QStringLiteral("0000-00-00;_"), now.toString(QStringLiteral("yyyy-MM-dd")));
    m_time = maskBox(this, "MaskEdBox2", QStringLiteral("00:00;_"), now.toString(QStringLiteral("HH:mm")));
    m_error = label(this, "Label4", QString());
    m_error->setStyleSheet(QStringLiteral("color: red;"));

    auto* ok = new QPushButton(QStringLiteral("확인(&Y)"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    auto* cancel = new QPushButton(QStringLiteral("취소(&C)"), this);
    cancel->setObjectName(QStringLiteral("Command2"));

    auto* grid = new QGridLayout;
    grid->addWidget(label(this, "Label2", QStringLiteral("입차일")), 0, 0);
    grid->addWidget(m_date, 0, 1);
    grid->addWidget(label(this, "Label3", QStringLiteral("입차시간")), 1, 0);
    grid->addWidget(m_time, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* top = new QVBoxLayout(this);
    top->addWidget(label(this, "Label1", QStringLiteral("입차일시를 입력하세요!")));
    top->addLayout(grid);
    top->addWidget(m_error);
    top->addLayout(buttons);

    for (QLineEdit* box : {m_date, m_time}) {
        MaskedDateTimeField(box);
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, m_error, [this] { m_error->clear(); });
    }
    connect(ok, &QPushButton::clicked, this, &FrmInput::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmInput::confirm()
{
    const QString data = FrmInput_TicketData(m_ticketNo, m_date->text(), m_time->text());
    if (data.isEmpty()) return;
    const QDateTime now = m_clock.now();
    if (FrmInput_AfterNow(m_date->text(), m_time->text(), now)) {
        QLineEdit* wrong = m_date->text() > now.toString(QStringLiteral("yyyy-MM-dd")) ? m_date : m_time;
        m_error->setText(FrmInput_ErrorText());
        wrong->setFocus();
        wrong->selectAll();
        return;
    }
    m_ticketData = data;
    accept();
}

bool FrmInput::enterInBox(QLineEdit* box)
{
    const bool valid = box == m_date ? FrmInput_DateValid(box->text()) : FrmInput_TimeValid(box->text());
    if (valid) {
        focusNextChild();
    } else {
        m_error->setText(FrmInput_ErrorText());
        box->selectAll();
    }
    return true;
}

bool FrmInput::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && (box == m_date || box == m_time)) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) return enterInBox(box);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmInput_Install(Station& st, QWidget* parent)
{
    QPointer<QWidget> owner(parent);
    st.exitLinks.frmInput = [&st, owner](const QString& ticketNo) {
        FrmInput form(ticketNo, st.clock, owner);
        form.adjustSize();
        CentreOnScreen(form);
        ApplyFormMode(st, form);
        return form.exec() == QDialog::Accepted ? form.ticketData() : QString();
    };
}

} // namespace tolvo
