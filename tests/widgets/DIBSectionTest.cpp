#include "platform/ScriptedMessages.h"
#include "widgets/DIBSection.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

using namespace tolvo;

namespace {

// A 3x2 BMP with an 8-bit palette of three colours: top row 3 2 1, bottom row 1 2 3.
QByteArray paletteBmp()
{
    QImage img(3, 2, QImage::Format_Indexed8);
    QList<QRgb> palette(256, qRgb(0, 0, 0)); // a full palette, so the file has 8 bits per pixel
    palette[1] = qRgb(255, 0, 0), palette[2] = qRgb(0, 200, 0), palette[3] = qRgb(0, 0, 100);
    img.setColorTable(palette);
    const uchar top[3] = {3, 2, 1}, bottom[3] = {1, 2, 3};
    for (int x = 0; x < 3; ++x) img.setPixel(x, 0, top[x]), img.setPixel(x, 1, bottom[x]);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    img.save(&out, "BMP");
    EXPECT_EQ(quint8(out.data().at(28)), 8) << "written with 8 bits per pixel";
    return out.data();
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    QFile f(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
}

} // namespace

TEST(DIBSection, BytesPerScanLineRoundsRowsToFourBytes)
{
    ScriptedMessages msgs;
    cDIBSection dib(msgs);
    struct Row { int w; int ch; int bytes; };
    const Row rows[] = {{1, 3, 4}, {3, 3, 12}, {2, 3, 8}, {5, 3, 16}, {1, 4, 4}, {3, 4, 12}, {7, 4, 28}};
    for (const Row& r : rows) {
        ASSERT_TRUE(dib.Create(r.w, 2, r.ch));
        EXPECT_EQ(dib.BytesPerScanLine(), r.bytes) << r.w << "x" << r.ch;
        EXPECT_EQ(dib.dib_channels(), r.ch == 3 ? 3 : 4);
        EXPECT_EQ(dib.hDib().bytesPerLine(), r.bytes);
    }
}

TEST(DIBSection, CreateFillsTheHeaderAndCleanUpEmpties)
{
    ScriptedMessages msgs;
    cDIBSection dib(msgs);
    ASSERT_TRUE(dib.Create(10, 6, 3));
    // width, height, then the header's size, planes, bits per pixel and image size (rows of 32 bytes)
    EXPECT_EQ(std::vector<int>({dib.dib_width(), dib.dib_height(), int(dib.header().size), int(dib.header().planes),
                                int(dib.header().bitCount), int(dib.header().sizeImage)}),
              std::vector<int>({10, 6, 40, 1, 24, 32 * 6}));
    EXPECT_NE(dib.DIBSectionBitsPtr(), nullptr);
    dib.CleanUp();
    EXPECT_TRUE(dib.empty());
    EXPECT_EQ(dib.dib_width(), 0);
    EXPECT_EQ(dib.header().size, 40);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_FALSE(dib.Create(0, 5, 3));
    EXPECT_TRUE(dib.empty());
}

TEST(DIBSection, LoadExpandsAPaletteBmpTo24Bits)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "pal.bmp", paletteBmp());
    ScriptedMessages msgs;
    cDIBSection dib(msgs);
    ASSERT_TRUE(dib.Load(path));
    EXPECT_TRUE(msgs.shown.empty());
    EXPECT_EQ(std::vector<int>({dib.dib_width(), dib.dib_height(), dib.dib_channels(), dib.BytesPerScanLine()}),
              std::vector<int>({3, 2, 3, 12}));
    // Top row (the file's second row): blue, green, red; bytes are B, G, R.
    const uchar* bits = dib.DIBSectionBitsPtr();
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(std::vector<int>(bits, bits + 9), std::vector<int>({100, 0, 0, 0, 200, 0, 0, 0, 255}));
    const uchar* bottom = bits + dib.BytesPerScanLine();
    EXPECT_EQ(std::vector<int>(bottom, bottom + 9), std::vector<int>({0, 0, 255, 0, 200, 0, 100, 0, 0}));
}

TEST(DIBSection, LoadOfANonBitmapShowsTheMessageAndLeavesItEmpty)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "not.bmp", "not a bitmap");
    ScriptedMessages msgs;
    cDIBSection dib(msgs);
    ASSERT_TRUE(dib.Create(2, 2, 3));
    EXPECT_FALSE(dib.Load(path));
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_EQ(msgs.shown[0].kind + "|" + msgs.shown[0].text, "MsgBox|Can't load BMP image");
    EXPECT_EQ(msgs.shown[0].style, vbOKOnly);
    EXPECT_TRUE(dib.empty());
    EXPECT_FALSE(dib.Load(dir.filePath("missing.bmp")));
    EXPECT_EQ(msgs.shown.size(), 2u);
}

TEST(DIBSection, PaintPictureWithNegativeSizeCopiesTheWholeImage)
{
    ScriptedMessages msgs;
    cDIBSection dib(msgs);
    ASSERT_TRUE(dib.Create(4, 3, 4));
    QImage src(4, 3, QImage::Format_ARGB32);
    src.fill(QColor(10, 20, 30));
    std::memcpy(dib.DIBSectionBitsPtr(), src.constBits(), size_t(src.sizeInBytes()));

    QImage target(6, 5, QImage::Format_ARGB32);
    target.fill(Qt::white);
    {
        QPainter p(&target);
        dib.PaintPicture(p, 1, 1, -1, -1);
    }
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 1 && x < 5 && y >= 1 && y < 4;
            EXPECT_EQ(QColor(target.pixel(x, y)), inside ? QColor(10, 20, 30) : QColor(Qt::white)) << x << "," << y;
        }
}
