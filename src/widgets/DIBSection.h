#pragma once

#include <QImage>
#include <QPainter>
#include <QString>

// A device-independent bitmap over QImage: create an empty image, load a BMP
// into 24 bits, paint it, reach its pixels. No screen uses it.
namespace tolvo {

class Messages;

class cDIBSection {
public:
    // The header fields the class keeps, as a 40-byte bitmap info header would.
    struct Header {
        qint32 size = 40;
        qint32 width = 0;
        qint32 height = 0;
        qint16 planes = 0;
        qint16 bitCount = 0;
        qint32 compression = 0;
        qint32 sizeImage = 0;
        qint32 clrUsed = 0;
        qint32 clrImportant = 0;
    };

    explicit cDIBSection(Messages& msgs);
    ~cDIBSection();
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;

    // Fills the header (24 bits for 3 channels, else 32) and makes the image.
    bool CreateDIB(qint32 width, qint32 height, qint32 channels, QImage& out);
    // CleanUp, then a new image of the size and depth.
    bool Create(qint32 width, qint32 height, qint32 channels);
    // Loads a BMP file of any depth into a 24-bit image; "Can't load BMP image"
    // when the file is no bitmap.
    bool Load(const QString& fileName);

    // Row length in bytes rounded up to a multiple of 4.
    qint32 BytesPerScanLine() const;
    qint32 dib_width() const { return m_header.width; }
    qint32 dib_height() const { return m_header.height; }
    qint32 dib_channels() const { return m_header.bitCount / 8; }

    // Copies a part of the image onto a painter; a negative width or height
    // stands for the image's own.
    void PaintPicture(QPainter& target, int x = 0, int y = 0, int width = -1, int height = -1, int srcX = 0,
                      int srcY = 0, QPainter::CompositionMode op = QPainter::CompositionMode_Source) const;

    // The image (the memory context and DIB of the original are one object here).
    const QImage& hDib() const { return m_image; }
    // Start of the pixel memory (bytes B, G, R[, A] per pixel; rows top-down,
    // each BytesPerScanLine long); null when empty.
    uchar* DIBSectionBitsPtr();

    const Header& header() const { return m_header; }
    bool empty() const { return m_image.isNull(); }

    void CleanUp();

private:
    Messages& m_msgs;
    Header m_header;
    QImage m_image;
};

} // namespace tolvo
