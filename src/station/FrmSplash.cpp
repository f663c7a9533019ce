#include "station/FrmSplash.h"
#include "widgets/DialogKeys.h"

#include "widgets/FormMode.h"
#include "widgets/FrmAbout.h"
#include "station/Shutdown.h"
#include "core/Station.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>

#include <exception>

namespace tolvo {

namespace {

QLabel* Label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromUtf8(name));
    return l;
}

} // namespace

QString FrmSplash::VersionCaption()
{
    return QStringLiteral("Version ") + VersionText(BuildVersion());
}

FrmSplash::FrmSplash(Station& st, std::function<void()> started, std::function<void(int)> ended, QWidget* parent)
    : QDialog(parent), m_st(st), m_session(st), m_started(std::move(started)), m_ended(std::move(ended))
{
    IgnoreEscape(*this);
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(AppTitle());
    auto* g = new QGridLayout(this);
    QLabel* title = Label(this, "Label1", QStringLiteral("TOLVO"));
    QFont big = title->font();
    big.setPointSize(36);
    big.setBold(true);
    title->setFont(big);
    g->addWidget(title, 0, 0, 1, 3);
    g->addWidget(Label(this, "lblProductName", AppTitle()), 1, 0, 1, 3);
    g->addWidget(Label(this, "Label2", AppTitle()), 2, 0, 1, 3);
    g->addWidget(Label(this, "lblVersion", VersionCaption()), 3, 0, 1, 3);
    g->addWidget(Label(this, "lblCompany", QStringLiteral("Tolvo")), 4, 0, 1, 3);
    g->addWidget(Label(this, "lblCopyright", AppDescription()), 5, 0, 1, 3);
    m_lblName = Label(this, "LblName", QStringLiteral(" 근무자명:"));
    g->addWidget(m_lblName, 6, 0, 1, 3);
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setEchoMode(QLineEdit::Password);
    m_text1->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*", not the style's dot
    m_text1->setMaxLength(6);
    g->addWidget(m_text1, 7, 0);
    m_ok = new QPushButton(QStringLiteral("확인"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setEnabled(false);
    m_ok->setDefault(true);
    g->addWidget(m_ok, 7, 1);
    auto* cancelButton = new QPushButton(QStringLiteral("취소"), this);
    cancelButton->setObjectName(QStringLiteral("Command1"));
    cancelButton->setAutoDefault(false);
    g->addWidget(cancelButton, 7, 2);
    m_lblLog = Label(this, "LblLog", QStringLiteral("로그인"));
    g->addWidget(m_lblLog, 8, 0, 1, 3);
    setTabOrder(m_text1, m_ok);
    setTabOrder(m_ok, cancelButton);

    connect(m_text1, &QLineEdit::textChanged, this, &FrmSplash::passwordChanged);
    connect(m_ok, &QPushButton::clicked, this, &FrmSplash::ok);
    connect(cancelButton, &QPushButton::clicked, this, &FrmSplash::cancel);

    adjustSize();
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect r = s->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    ApplyFormMode(st, *this);
    m_text1->setFocus();
}

void FrmSplash::passwordChanged(const QString& text)
{
    m_ok->setEnabled(false);
    LookupView v;
    try {
        v = m_session.passwordChanged(text);
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("Tarvola"));
        return;
    }
    if (!v.lblName.isEmpty()) m_lblName->setText(v.lblName);
    if (!v.lblLog.isEmpty()) m_lblLog->setText(v.lblLog);
    {
        const QSignalBlocker block(m_text1);
        if (v.clearBox) m_text1->clear();
        if (!v.putInBox.isEmpty()) m_text1->setText(v.putInBox);
    }
    m_ok->setEnabled(v.okEnabled);
    if (v.focusNext) m_ok->setFocus();
}

void FrmSplash::ok()
{
    if (m_done || !m_session.found()) return;
    try {
        m_session.startOfWork();
    } catch (const std::exception& e) {
        m_st.msgs.MsgBox(QStringLiteral("업무를 시작할 수 없습니다.") + QChar(13) + QString::fromUtf8(e.what()),
                         vbCritical, QStringLiteral("Tarvola"));
        // Half a start of work (ports open, the run marked as in progress) is not
        // left waiting on the login: the program ends with a failure code.
        m_done = true;
        hide();
        if (m_ended) m_ended(1);
        return;
    }
    m_done = true;
    if (m_started) m_started();
    accept();
}

void FrmSplash::cancel()
{
    if (m_done) return;
    m_done = true;
    Splash_Cancel(m_st);
    hide();
    if (m_ended) m_ended(0);
}

void FrmSplash::reject()
{
    cancel();
}

} // namespace tolvo
