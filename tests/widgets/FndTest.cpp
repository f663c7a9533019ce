#include "widgets/Fnd1.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

FndCells seven()
{
    FndCells c;
    c.setMaxLength(7);
    c.setColumn(11);
    c.FndInit();
    return c;
}

std::vector<int> v(std::initializer_list<int> l) { return std::vector<int>(l); }

} // namespace

TEST(FndCells, CellOfEachCharacter)
{
    const std::pair<char16_t, int> rows[] = {{u'1', 0}, {u'5', 4}, {u'9', 8}, {u'0', 9}, {u' ', 10}, {u',', -1}, {u'-', -1}};
    for (const auto& [c, cell] : rows) EXPECT_EQ(FndCellOf(c), cell) << char(c);
}

TEST(FndCells, TextsShownInTurn)
{
    const struct { const char* name; std::vector<const char*> shown; std::vector<int> cells; } rows[] = {
        {"after init every digit shows cell 0", {}, v({0, 0, 0, 0, 0, 0, 0})},
        {"blank-padded zero", {"      0"}, v({10, 10, 10, 10, 10, 10, 9})},
        {"blank-padded amount", {"  12500"}, v({10, 10, 0, 1, 4, 9, 9})},
        {"over-long text changes nothing", {"1234567", "12345678"}, v({0, 1, 2, 3, 4, 5, 6})},
        {"empty text changes nothing", {"1234567", ""}, v({0, 1, 2, 3, 4, 5, 6})},
        {"other characters keep their cell and do not shift", {"      0", "  1,500"}, v({10, 10, 0, 10, 4, 9, 9})},
        {"short text leaves the rest alone", {"9999999", "12"}, v({0, 1, 8, 8, 8, 8, 8})},
    };
    for (const auto& r : rows) {
        FndCells c = seven();
        for (const char* t : r.shown) c.Fnd_Display(QString::fromLatin1(t));
        EXPECT_EQ(c.cells(), r.cells) << r.name;
    }
}

TEST(FndControl, StripHasOneCellPerColumnAndDrawnDigitsDiffer)
{
    const QImage strip = MakeDigitStrip(QSize(20, 30), 11);
    EXPECT_EQ(strip.size(), QSize(220, 30));
    const QImage eight = strip.copy(7 * 20, 0, 20, 30);
    const QImage one = strip.copy(0, 0, 20, 30);
    const QImage blank = strip.copy(10 * 20, 0, 20, 30);
    EXPECT_NE(eight, one);
    EXPECT_NE(one, blank);
    // The middle segment is lit in "8" and not in "0".
    const QImage zero = strip.copy(9 * 20, 0, 20, 30);
    EXPECT_NE(eight.pixel(10, 15), zero.pixel(10, 15));
}

TEST(FndControl, EachCellLightsTheSegmentsOfItsDigit)
{
    // Cell 50x80: the middle of segments a to g.
    const QPoint mid[7] = {{25, 6}, {44, 23}, {44, 57}, {25, 74}, {6, 57}, {6, 23}, {25, 40}};
    const char* lit[11] = {"bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg", "abc", "abcdefg", "abcdfg", "abcdef", ""};
    const QImage strip = MakeDigitStrip(QSize(50, 80), 11, Qt::red, Qt::darkGray, Qt::black);
    for (int cell = 0; cell < 11; ++cell) {
        QString on;
        for (int s = 0; s < 7; ++s)
            if (strip.pixel(cell * 50 + mid[s].x(), mid[s].y()) == QColor(Qt::red).rgb()) on += QChar('a' + s);
        EXPECT_EQ(on, lit[cell]) << cell;
    }
}

TEST(FndControl, WidgetShowsTheCellsItDisplays)
{
    Fnd1 fnd;
    fnd.setObjectName(QStringLiteral("Fnd"));
    fnd.setMaxLength(7);
    fnd.setColumn(11);
    fnd.FndInit();
    fnd.resize(fnd.sizeHint());
    EXPECT_EQ(fnd.sizeHint().width(), 7 * fnd.sizeHint().height() * 24 / 40);
    const QImage ones = fnd.grab().toImage();
    fnd.Fnd_Display(QStringLiteral("      0"));
    EXPECT_EQ(fnd.cells().cells(), v({10, 10, 10, 10, 10, 10, 9}));
    const QImage zero = fnd.grab().toImage();
    EXPECT_NE(ones, zero);
}
