#include "widgets/DIBSection.h"

#include "platform/Messages.h"

#include <QImageReader>

namespace tolvo {

cDIBSection::cDIBSection(Messages& msgs) : m_msgs(msgs) {}

cDIBSection::~cDIBSection() { CleanUp(); }

bool cDIBSection::CreateDIB(qint32 width, qint32 height, qint32 channels, QImage& out)
{
    m_header.size = 40;
    m_header.width = width;
    m_header.height = height;
    m_header.planes = 1;
    m_header.bitCount = channels == 3 ? 24 : 32;
    m_header.compression = 0;
    m_header.sizeImage = BytesPerScanLine() * height;
    m_header.clrUsed = 0;
    m_header.clrImportant = 0;
    if (width <= 0 || height <= 0) return false;
    out = QImage(width, height, channels == 3 ? QImage::Format_BGR888 : QImage::Format_ARGB32);
    if (out.isNull()) return false;
    out.fill(0);
    return true;
}

bool cDIBSection::Create(qint32 width, qint32 height, qint32 channels)
{
    CleanUp();
    QImage img;
    if (!CreateDIB(width, height, channels, img)) {
        CleanUp();
        return false;
    }
    m_image = std::move(img);
    return true;
}

bool cDIBSection::Load(const QString& fileName)
{
    CleanUp();
    QImageReader reader(fileName, "bmp");
    QImage loaded = reader.read();
    if (loaded.isNull()) {
        m_msgs.MsgBox(QStringLiteral("Can't load BMP image"), vbOKOnly);
        return false;
    }
    QImage img;
    if (!CreateDIB(loaded.width(), loaded.height(), 3, img)) {
        CleanUp();
        return false;
    }
    m_image = loaded.convertToFormat(QImage::Format_BGR888);
    if (m_image.isNull()) {
        CleanUp();
        return false;
    }
    return true;
}

qint32 cDIBSection::BytesPerScanLine() const
{
    return (m_header.bitCount / 8 * m_header.width + 3) & ~3;
}

void cDIBSection::PaintPicture(QPainter& target, int x, int y, int width, int height, int srcX, int srcY,
                               QPainter::CompositionMode op) const
{
    if (m_image.isNull()) return;
    const int w = width < 0 ? m_image.width() : width;
    const int h = height < 0 ? m_image.height() : height;
    const QPainter::CompositionMode before = target.compositionMode();
    target.setCompositionMode(op);
    target.drawImage(QPoint(x, y), m_image, QRect(srcX, srcY, w, h));
    target.setCompositionMode(before);
}

uchar* cDIBSection::DIBSectionBitsPtr() { return m_image.isNull() ? nullptr : m_image.bits(); }

void cDIBSection::CleanUp()
{
    m_image = QImage();
    m_header = Header{};
}

} // namespace tolvo
