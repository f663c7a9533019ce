#include "widgets/LinkLamp.h"

#include <QHBoxLayout>
#include <QWidget>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tolvo {


namespace {

class Lamp : public QWidget {
public:
    explicit Lamp(QWidget* parent) : QWidget(parent) { setFixedSize(12, 12); }
    void setColor(const QColor& c)
    {
        m_color = c;
        update();
    }
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(m_color);
        p.drawEllipse(QRectF(1, 1, width() - 2, height() - 2));
    }

private:
    QColor m_color;
};

// Two plug halves, apart when off line and joined when on line.
QPixmap plugPicture(bool joined)
{
    QPixmap pm(38, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(joined ? QColor(0, 150, 0) : QColor(190, 0, 0));
    const int right = joined ? 17 : 23;
    p.drawRect(0, 6, 6, 4);
    p.drawRoundedRect(QRectF(6, 2, 8, 12), 2, 2);
    p.drawRect(14, 5, 3, 2);
    p.drawRect(14, 9, 3, 2);
    p.drawRoundedRect(QRectF(right, 2, 8, 12), 2, 2);
    p.drawRect(right + 8, 6, 38 - (right + 8), 4);
    return pm;
}

class ConnectWidget : public QWidget {
public:
    ConnectWidget(Connect& state, QWidget* parent);
    ~ConnectWidget() override;
    void refresh();

private:
    Connect* m_state; // null once the state is gone
    Lamp* m_tx = nullptr;
    Lamp* m_rx = nullptr;
    QLabel* m_label = nullptr;
    QLabel* m_offImage = nullptr;
    QLabel* m_onImage = nullptr;
};

ConnectWidget::ConnectWidget(Connect& state, QWidget* parent) : QWidget(parent), m_state(&state)
{
    m_tx = new Lamp(this);
    m_tx->setObjectName(QStringLiteral("Led1_0"));
    m_rx = new Lamp(this);
    m_rx->setObjectName(QStringLiteral("Led1_1"));
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_offImage = new QLabel(this);
    m_offImage->setObjectName(QStringLiteral("Image1"));
    m_offImage->setPixmap(plugPicture(false));
    m_onImage = new QLabel(this);
    m_onImage->setObjectName(QStringLiteral("Image2"));
    m_onImage->setPixmap(plugPicture(true));

    auto* lamps = new QVBoxLayout;
    lamps->setSpacing(2);
    lamps->addWidget(m_tx);
    lamps->addWidget(m_rx);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->addLayout(lamps);
    row->addWidget(m_offImage);
    row->addWidget(m_onImage);
    row->addWidget(m_label, 1);

    m_state->onChanged = [this] { refresh(); };
    m_state->onGone = [this] { m_state = nullptr; };
    refresh();
}

ConnectWidget::~ConnectWidget()
{
    if (!m_state) return;
    m_state->onChanged = nullptr;
    m_state->onGone = nullptr;
}

void ConnectWidget::refresh()
{
    if (!m_state) return;
    m_tx->setColor(VbColor(m_state->txLampColor()));
    m_rx->setColor(VbColor(m_state->rxLampColor()));
    m_label->setText(m_state->statusText());
    m_label->setFont(m_state->Font());
    QPalette pal = m_label->palette();
    pal.setColor(QPalette::WindowText, VbColor(m_state->statusTextColor()));
    m_label->setPalette(pal);
    m_offImage->setVisible(m_state->offLinePictureShown());
    m_onImage->setVisible(m_state->onLinePictureShown());
}

} // namespace

QWidget* MakeConnectWidget(Connect& state, QWidget* parent) { return new ConnectWidget(state, parent); }

} // namespace tolvo
