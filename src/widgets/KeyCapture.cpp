#include "widgets/KeyCapture.h"

#include "platform/VirtualKeys.h"
#include "widgets/FormMode.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvo {

// ---- logic ----

void KeyCaptureLogic::keyUp(int keyCode, int shift)
{
    // Modifiers released by themselves carry no key.
    if (isModifierKey(keyCode)) return;
    if (shift == 0 && !m_first.isEmpty() && !m_second.isEmpty()) return;

    const QString entry = keyEntryText(keyCode, shift);
    if (m_first.isEmpty()) {
        m_prompt = kRepeat;
        m_first = entry;
        m_keyCode = keyCode;
        m_shift = shift;
        return;
    }
    m_second = entry;
    m_matched = keyCode == m_keyCode && shift == m_shift;
    m_prompt = m_matched ? kDone : kMismatch;
    m_finished = true;
}

void KeyCaptureLogic::retry()
{
    m_first.clear();
    m_second.clear();
    m_prompt = kPrompt;
    m_keyCode = 0;
    m_shift = 0;
    m_finished = false;
    m_matched = false;
}

std::optional<CapturedKey> KeyCaptureLogic::result() const
{
    if (!m_finished || !m_matched || m_second.isEmpty()) return std::nullopt;
    return CapturedKey{m_second, m_keyCode, m_shift};
}

// ---- dialog ----

namespace {

// A small keyboard-key picture, drawn here.
QPixmap keyPicture()
{
    QPixmap pm(40, 40);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(QColor(235, 235, 235));
    p.drawRoundedRect(QRectF(4, 4, 32, 32), 6, 6);
    p.setBrush(QColor(250, 250, 250));
    p.drawRoundedRect(QRectF(9, 8, 22, 20), 4, 4);
    p.setPen(QColor(30, 30, 160));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(14);
    p.setFont(f);
    p.drawText(QRectF(9, 8, 22, 20), Qt::AlignCenter, QStringLiteral("K"));
    return pm;
}

QLabel* named(QLabel* l, const char* name)
{
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

KeyCaptureDialog::KeyCaptureDialog(const QSqlDatabase* db, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(QStringLiteral("사용키 입력"));

    m_label1 = named(new QLabel(KeyCaptureLogic::kPrompt, this), "Label1");
    auto* cap0 = named(new QLabel(QStringLiteral("입력키 : "), this), "Label3_0");
    auto* cap1 = named(new QLabel(QStringLiteral("재입력 : "), this), "Label3_1");
    m_first = named(new QLabel(this), "Label2_0");
    m_second = named(new QLabel(this), "Label2_1");
    m_first->setMinimumWidth(120);
    m_image = named(new QLabel(this), "Image1");
    m_image->setPixmap(keyPicture());
    QSizePolicy keep = m_image->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_image->setSizePolicy(keep);

    auto* retry = new QPushButton(QStringLiteral("재시도"), this);
    retry->setObjectName(QStringLiteral("CancelButton"));
    auto* ok = new QPushButton(QStringLiteral("확인"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    // Enter is a key to capture here, never a button press.
    for (QPushButton* b : {retry, ok}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(retry, &QPushButton::clicked, this, &KeyCaptureDialog::onRetry);
    connect(ok, &QPushButton::clicked, this, &KeyCaptureDialog::onOk);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, [this] { m_image->setVisible(!m_image->isVisible()); });
    m_timer->start();

    auto* grid = new QGridLayout;
    grid->addWidget(cap0, 0, 0);
    grid->addWidget(m_first, 0, 1);
    grid->addWidget(cap1, 1, 0);
    grid->addWidget(m_second, 1, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_image);
    top->addWidget(m_label1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(retry);
    buttons->addWidget(ok);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(grid);
    main->addLayout(buttons);

    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);

    adjustSize();
    CentreOnScreen(*this);
    if (db) ApplyFormMode(*db, *this);
}

KeyCaptureDialog::~KeyCaptureDialog() = default;

bool KeyCaptureDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        auto* ke = static_cast<QKeyEvent*>(event);
        // A child's release reaches the dialog through this filter only once.
        if (watched == this || static_cast<QWidget*>(watched)->window() == this) {
            handleRelease(ke);
            return true;
        }
    }
    // Keys are captured on release: a press neither clicks a button nor
    // closes the dialog (the buttons are worked with the mouse).
    if (event->type() == QEvent::KeyPress) return true;
    return QDialog::eventFilter(watched, event);
}

void KeyCaptureDialog::keyPressEvent(QKeyEvent* e) { e->accept(); }

void KeyCaptureDialog::handleRelease(QKeyEvent* e)
{
    if (isRepeatRelease(*e)) return;
    const auto key = toVirtualKey(*e);
    if (!key) return;
    m_logic.keyUp(key->keyCode, key->shift);
    refresh();
}

void KeyCaptureDialog::refresh()
{
    m_label1->setText(m_logic.prompt());
    m_first->setText(m_logic.firstText());
    m_second->setText(m_logic.secondText());
    if (m_logic.finished()) {
        m_image->setVisible(true);
        m_timer->stop();
    } else if (!m_timer->isActive()) {
        m_timer->start();
    }
}

void KeyCaptureDialog::onRetry()
{
    m_logic.retry();
    refresh();
}

void KeyCaptureDialog::onOk()
{
    m_captured = m_logic.result();
    if (m_captured) accept();
    else reject();
}

std::optional<CapturedKey> CaptureKey(const QSqlDatabase* db, QWidget* parent)
{
    KeyCaptureDialog dlg(db, parent);
    dlg.exec();
    return dlg.captured();
}

} // namespace tolvo
