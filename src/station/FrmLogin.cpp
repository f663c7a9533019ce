#include "station/FrmLogin.h"
#include "widgets/DialogKeys.h"

#include "widgets/FormMode.h"
#include "station/Login.h"
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

FrmLogin::FrmLogin(Station& st, QWidget* parent) : QDialog(parent), m_st(st)
{
    IgnoreEscape(*this);
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("로그인"));
    auto* g = new QGridLayout(this);
    auto* caption = new QLabel(QStringLiteral("Password : "), this);
    caption->setObjectName(QStringLiteral("lblLabels"));
    g->addWidget(caption, 0, 0);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*", not the style's dot
    m_password->setMaxLength(6);
    g->addWidget(m_password, 0, 1);
    m_ok = new QPushButton(QStringLiteral("확인"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setEnabled(false);
    g->addWidget(m_ok, 0, 2);
    m_lblName = new QLabel(QStringLiteral("근무자명 : "), this);
    m_lblName->setObjectName(QStringLiteral("LblName"));
    g->addWidget(m_lblName, 1, 0, 1, 3);
    m_lblLog = new QLabel(QStringLiteral(" 비밀번호 6자리를 입력하세요!"), this);
    m_lblLog->setObjectName(QStringLiteral("LblLog"));
    g->addWidget(m_lblLog, 2, 0, 1, 3);

    connect(m_password, &QLineEdit::textChanged, this, &FrmLogin::passwordChanged);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    adjustSize();
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect r = s->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    ApplyFormMode(st, *this);
}

void FrmLogin::passwordChanged(const QString& text)
{
    LookupView v;
    try {
        v = WorkerChange_Lookup(m_st, text);
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("Tarvola"));
        const QSignalBlocker block(m_password);
        m_password->clear();
        return;
    }
    if (v.clearBox) {
        const QSignalBlocker block(m_password);
        m_password->clear();
    }
    if (v.outcome != LookupView::Outcome::Found) return;
    m_lblName->setText(v.lblName);
    m_lblLog->setText(v.lblLog);
    m_ok->setEnabled(true);
    m_ok->setFocus();
}

void ShowFrmLogin(Station& st, QWidget* parent)
{
    FrmLogin form(st, parent);
    form.exec();
}

} // namespace tolvo
