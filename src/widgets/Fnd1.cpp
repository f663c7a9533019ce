#include "widgets/Fnd1.h"

#include <QPainter>
#include <QPainterPath>
#include <array>

namespace tolvo {

int FndCellOf(QChar c)
{
    if (c >= u'1' && c <= u'9') return c.unicode() - u'1';
    if (c == u'0') return kFndZeroCell;
    if (c == u' ') return kFndBlankCell;
    return -1;
}

void FndCells::FndInit() { m_cells.assign(static_cast<size_t>(std::max(0, m_maxLength)), 0); }

void FndCells::Fnd_Display(const QString& text)
{
    if (text.isEmpty() || text.size() > m_maxLength) return;
    if (m_cells.size() < static_cast<size_t>(m_maxLength)) m_cells.resize(static_cast<size_t>(m_maxLength), 0);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int cell = FndCellOf(text[i]);
        if (cell >= 0) m_cells[static_cast<size_t>(i)] = cell;
    }
}

namespace {

// Segments a..g lit per cell (cell 0 = "1" ... cell 8 = "9", cell 9 = "0", cell 10 blank).
constexpr std::array<quint8, 11> kSegments = {
    0b0000110, // 1: b c
    0b1011011, // 2: a b d e g
    0b1001111, // 3: a b c d g
    0b1100110, // 4: b c f g
    0b1101101, // 5: a c d f g
    0b1111101, // 6: a c d e f g
    0b0000111, // 7: a b c
    0b1111111, // 8
    0b1101111, // 9: a b c d f g
    0b0111111, // 0: a b c d e f
    0b0000000, // blank
};

void drawDigit(QPainter& p, const QRectF& r, quint8 mask, const QColor& on, const QColor& off)
{
    const qreal t = std::max<qreal>(2.0, r.width() * 0.14); // segment thickness
    const qreal m = r.width() * 0.12;                        // margin
    const qreal x0 = r.left() + m, x1 = r.right() - m;
    const qreal y0 = r.top() + m, y2 = r.bottom() - m, y1 = (y0 + y2) / 2;
    auto hseg = [&](qreal y) {
        QPainterPath path;
        path.moveTo(x0 + t * 0.6, y);
        path.lineTo(x0 + t * 1.1, y - t / 2);
        path.lineTo(x1 - t * 1.1, y - t / 2);
        path.lineTo(x1 - t * 0.6, y);
        path.lineTo(x1 - t * 1.1, y + t / 2);
        path.lineTo(x0 + t * 1.1, y + t / 2);
        path.closeSubpath();
        return path;
    };
    auto vseg = [&](qreal x, qreal ya, qreal yb) {
        QPainterPath path;
        path.moveTo(x, ya + t * 0.6);
        path.lineTo(x + t / 2, ya + t * 1.1);
        path.lineTo(x + t / 2, yb - t * 1.1);
        path.lineTo(x, yb - t * 0.6);
        path.lineTo(x - t / 2, yb - t * 1.1);
        path.lineTo(x - t / 2, ya + t * 1.1);
        path.closeSubpath();
        return path;
    };
    const std::array<QPainterPath, 7> seg = {
        hseg(y0),                     // a
        vseg(x1, y0, y1),             // b
        vseg(x1, y1, y2),             // c
        hseg(y2),                     // d
        vseg(x0, y1, y2),             // e
        vseg(x0, y0, y1),             // f
        hseg(y1),                     // g
    };
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        p.setBrush((mask >> i) & 1 ? on : off);
        p.drawPath(seg[static_cast<size_t>(i)]);
    }
}

} // namespace

QImage MakeDigitStrip(QSize cell, int column, const QColor& on, const QColor& off, const QColor& back)
{
    QImage strip(cell.width() * column, cell.height(), QImage::Format_RGB32);
    strip.fill(back);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < column; ++i) {
        const quint8 mask = i < static_cast<int>(kSegments.size()) ? kSegments[static_cast<size_t>(i)] : 0;
        drawDigit(p, QRectF(i * cell.width(), 0, cell.width(), cell.height()), mask, on, off);
    }
    return strip;
}

Fnd1::Fnd1(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Fnd1"));
}

void Fnd1::setImage(const QImage& strip) { m_image = strip; }

QSize Fnd1::cellSize() const
{
    if (m_strip.isNull() || m_cells.Column() <= 0) return {24, 40};
    return {m_strip.width() / m_cells.Column(), m_strip.height()};
}

void Fnd1::FndInit()
{
    if (m_cells.Column() <= 0) m_cells.setColumn(11);
    m_strip = m_image.isNull() ? MakeDigitStrip(QSize(24, 40), m_cells.Column()) : m_image;
    m_cells.FndInit();
    updateGeometry();
    update();
}

void Fnd1::Fnd_Display(const QString& text)
{
    m_cells.Fnd_Display(text);
    update();
}

QSize Fnd1::sizeHint() const
{
    const QSize c = cellSize();
    return {c.width() * std::max(1, m_cells.MaxLength()), c.height()};
}

void Fnd1::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (m_strip.isNull()) return;
    const QSize c = cellSize();
    const auto& cells = m_cells.cells();
    const qreal w = cells.empty() ? 0 : qreal(width()) / cells.size();
    for (size_t i = 0; i < cells.size(); ++i) {
        // The digits touch: each takes its share of the width, no gap.
        const QRectF target(i * w, 0, w, height());
        const QRect source(cells[i] * c.width(), 0, c.width(), c.height());
        p.drawImage(target, m_strip, source);
    }
}

} // namespace tolvo
