#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <vector>

// The seven-segment digit control: a short text of digits and blanks shown
// as a row of digit cells cut from one picture strip.
namespace tolvo {

// Cells of the strip: 0..8 the digits "1".."9", 9 the digit "0", 10 blank.
constexpr int kFndBlankCell = 10;
constexpr int kFndZeroCell = 9;

// The cell a character selects; -1 for a character that leaves its digit unchanged.
int FndCellOf(QChar c);

// Which cell each digit position shows.
class FndCells {
public:
    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int n) { m_maxLength = n; }
    int Column() const { return m_column; }
    void setColumn(int n) { m_column = n; }

    // Builds the digit row: every position shows cell 0.
    void FndInit();
    // Shows a text of at most MaxLength characters; an empty or longer text
    // changes nothing, positions past the text keep their cells.
    void Fnd_Display(const QString& text);

    const std::vector<int>& cells() const { return m_cells; }

private:
    int m_maxLength = 0;
    int m_column = 0;
    std::vector<int> m_cells;
};

// A strip of `column` cells of the given size, drawn here: seven segments per
// digit in the cell order above.
QImage MakeDigitStrip(QSize cell, int column = 11, const QColor& on = QColor(255, 40, 20),
                      const QColor& off = QColor(40, 6, 6), const QColor& back = Qt::black);

// The control `Fnd1` (the main screen's instance is named "Fnd").
class Fnd1 : public QWidget {
    Q_OBJECT
public:
    explicit Fnd1(QWidget* parent = nullptr);

    int MaxLength() const { return m_cells.MaxLength(); }
    void setMaxLength(int n) { m_cells.setMaxLength(n); }
    int Column() const { return m_cells.Column(); }
    void setColumn(int n) { m_cells.setColumn(n); }
    // The digit strip; a null image stands for the drawn one.
    const QImage& Image() const { return m_image; }
    void setImage(const QImage& strip);

    void FndInit();
    void Fnd_Display(const QString& text);
    const FndCells& cells() const { return m_cells; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QSize cellSize() const;

    FndCells m_cells;
    QImage m_image;
    QImage m_strip; // the strip in use after FndInit
};

} // namespace tolvo
