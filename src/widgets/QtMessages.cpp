#include "widgets/QtMessages.h"
#include "widgets/DialogKeys.h"

#include "core/Sql.h"
#include "core/WorkerRights.h"
#include "widgets/FormMode.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QStyle>
#include <QVBoxLayout>
#include <memory>

namespace tolvo {

namespace {

QLabel* iconLabel(QWidget* parent, QStyle::StandardPixmap which)
{
    auto* img = new QLabel(parent);
    img->setObjectName(QStringLiteral("Image1"));
    img->setPixmap(parent->style()->standardIcon(which).pixmap(32, 32));
    img->setAlignment(Qt::AlignTop);
    return img;
}

QLabel* messageLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(DisplayLines(text), parent);
    label->setObjectName(QStringLiteral("Label1"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    return label;
}

void finishLoad(QDialog& form, const QSqlDatabase* db)
{
    form.adjustSize();
    CentreOnScreen(form);
    if (db) ApplyFormMode(*db, form);
}

QWidget* dialogParent() { return QApplication::activeWindow(); }

} // namespace

int CheckAdminPassword(const QSqlDatabase& db, const QString& typed)
{
    if (typed == kMakerCode) return 1;
    if (!db.isOpen()) return 2;
    try {
        const QVariant pw = Scalar(db, QStringLiteral("SELECT 비밀번호 FROM 근무자관리 WHERE 근무자코드 = 0"));
        if (!pw.isValid() || pw.isNull()) return 2;
        return pw.toString() == typed ? 1 : 2;
    } catch (const DbError&) {
        return 2;
    }
}

MsgBoxLayout MsgBoxButtons(int style)
{
    MsgBoxLayout l;
    switch (style & 7) {
    case vbOKCancel: l.buttons = {vbOK, vbCancel}; l.closeResult = vbCancel; break;
    case vbAbortRetryIgnore: l.buttons = {vbAbort, vbRetry, vbIgnore}; l.closeResult = vbAbort; break;
    case vbYesNoCancel: l.buttons = {vbYes, vbNo, vbCancel}; l.closeResult = vbCancel; break;
    case vbYesNo: l.buttons = {vbYes, vbNo}; l.closeResult = vbNo; break;
    case vbRetryCancel: l.buttons = {vbRetry, vbCancel}; l.closeResult = vbCancel; break;
    default: l.buttons = {vbOK}; l.closeResult = vbOK; break;
    }
    const int wanted = (style & vbDefaultButton3) ? 2 : (style & vbDefaultButton2) ? 1 : 0;
    l.defaultIndex = wanted < static_cast<int>(l.buttons.size()) ? wanted : 0;
    return l;
}

QString MsgBoxButtonCaption(int result)
{
    switch (result) {
    case vbOK: return QStringLiteral("확인");
    case vbCancel: return QStringLiteral("취소");
    case vbAbort: return QStringLiteral("중단(&A)");
    case vbRetry: return QStringLiteral("다시 시도(&R)");
    case vbIgnore: return QStringLiteral("무시(&I)");
    case vbYes: return QStringLiteral("예(&Y)");
    case vbNo: return QStringLiteral("아니요(&N)");
    default: return {};
    }
}

QString DisplayLines(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return t;
}

// ---- Msg_Box ----

MsgBoxForm::MsgBoxForm(const QString& text, const QString& title, const QSqlDatabase* db, QWidget* parent)
    : QDialog(parent)
{
    IgnoreEscape(*this);
    setObjectName(QStringLiteral("Msg_Box"));
    setWindowTitle(title);
    auto* ok = new QPushButton(QStringLiteral("확 인(&Y)"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(iconLabel(this, QStyle::SP_MessageBoxInformation));
    row->addWidget(messageLabel(this, text), 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();
    auto* main = new QVBoxLayout(this);
    main->addLayout(row);
    main->addLayout(buttons);
    finishLoad(*this, db);
}

// ---- MBox ----

MBoxForm::MBoxForm(const QString& text, const QString& title, const QString& yesCaption, const QSqlDatabase* db,
                   QWidget* parent)
    : QDialog(parent)
{
    IgnoreEscape(*this);
    setObjectName(QStringLiteral("MBox"));
    setWindowTitle(title);
    auto* yes = new QPushButton(yesCaption.isEmpty() ? QStringLiteral("확 인") : yesCaption, this);
    yes->setObjectName(QStringLiteral("Command1_0"));
    yes->setDefault(true);
    auto* no = new QPushButton(QStringLiteral("취 소"), this);
    no->setObjectName(QStringLiteral("Command1_1"));
    connect(yes, &QPushButton::clicked, this, [this] { m_answer = true; accept(); });
    connect(no, &QPushButton::clicked, this, [this] { m_answer = false; reject(); });

    auto* row = new QHBoxLayout;
    row->addWidget(iconLabel(this, QStyle::SP_MessageBoxQuestion));
    row->addWidget(messageLabel(this, text), 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yes);
    buttons->addWidget(no);
    buttons->addStretch();
    auto* main = new QVBoxLayout(this);
    main->addLayout(row);
    main->addLayout(buttons);
    finishLoad(*this, db);
}

// ---- DialogM ----

DialogMForm::DialogMForm(const QSqlDatabase* db, QWidget* parent) : QDialog(parent), m_db(db)
{
    IgnoreEscape(*this);
    setObjectName(QStringLiteral("DialogM"));
    setWindowTitle(QStringLiteral("패스워드입력"));
    auto* label1 = new QLabel(QStringLiteral("비밀번호 입력: "), this);
    label1->setObjectName(QStringLiteral("Label1"));
    auto* label2 = new QLabel(QStringLiteral("관리자 비밀번호 6자리를 정확하게 입력하세요!"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setEchoMode(QLineEdit::Password);
    m_text->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*", not the style's dot
    m_text->setMaxLength(6);
    m_ok = new QPushButton(QStringLiteral("확인"), this);
    m_ok->setObjectName(QStringLiteral("OKButton"));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("취소"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));

    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (t.size() >= m_text->maxLength()) m_ok->setFocus();
    });
    connect(m_ok, &QPushButton::clicked, this, &DialogMForm::onOk);
    connect(cancel, &QPushButton::clicked, this, &DialogMForm::reject);

    auto* entry = new QHBoxLayout;
    entry->addWidget(label1);
    entry->addWidget(m_text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    auto* main = new QVBoxLayout(this);
    main->addWidget(label2);
    main->addLayout(entry);
    main->addLayout(buttons);
    adjustSize();
    m_text->setFocus();
}

void DialogMForm::onOk()
{
    static const QSqlDatabase none;
    m_result = CheckAdminPassword(m_db ? *m_db : none, m_text->text());
    accept();
}

void DialogMForm::reject()
{
    m_result = 3;
    QDialog::reject();
}

// ---- system message box ----

QMessageBox* BuildSystemMessageBox(const QString& text, int style, const QString& title, QWidget* parent)
{
    auto* box = new QMessageBox(parent);
    box->setObjectName(QStringLiteral("MsgBox"));
    box->setWindowTitle(title);
    box->setTextFormat(Qt::PlainText);
    box->setText(DisplayLines(text));
    switch (style & 0x70) {
    case vbCritical: box->setIcon(QMessageBox::Critical); break;
    case vbQuestion: box->setIcon(QMessageBox::Question); break;
    case vbExclamation: box->setIcon(QMessageBox::Warning); break;
    case vbInformation: box->setIcon(QMessageBox::Information); break;
    default: box->setIcon(QMessageBox::NoIcon); break;
    }
    const MsgBoxLayout layout = MsgBoxButtons(style);
    QPushButton* escape = nullptr;
    for (size_t i = 0; i < layout.buttons.size(); ++i) {
        const int result = layout.buttons[i];
        auto* b = box->addButton(MsgBoxButtonCaption(result), QMessageBox::ActionRole);
        b->setObjectName(QStringLiteral("MsgBoxButton_%1").arg(result));
        b->setProperty("vbResult", result);
        if (static_cast<int>(i) == layout.defaultIndex) box->setDefaultButton(b);
        if (result == layout.closeResult) escape = b;
    }
    box->setEscapeButton(escape);
    return box;
}

int SystemMessageBoxResult(const QMessageBox& box, int style)
{
    const QAbstractButton* clicked = box.clickedButton();
    if (clicked) {
        bool ok = false;
        const int r = clicked->property("vbResult").toInt(&ok);
        if (ok) return r;
    }
    return MsgBoxButtons(style).closeResult;
}

// ---- QtMessages ----

void QtMessages::Msg_Box(const QString& text, const QString& title)
{
    MsgBoxForm form(text, title, m_db, dialogParent());
    form.exec();
}

bool QtMessages::MBox(const QString& text, const QString& title, const QString& yesCaption)
{
    MBoxForm form(text, title, yesCaption, m_db, dialogParent());
    form.exec();
    return form.answer();
}

int QtMessages::DialogM()
{
    DialogMForm form(m_db, dialogParent());
    form.exec();
    return form.Result();
}

int QtMessages::MsgBox(const QString& text, int style, const QString& title)
{
    std::unique_ptr<QMessageBox> box(BuildSystemMessageBox(text, style, title, dialogParent()));
    box->exec();
    return SystemMessageBoxResult(*box, style);
}

} // namespace tolvo
