#include "widgets/TextFields.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

using namespace tolvo;

TEST(DialogsTextFields, NumericTextOfATable)
{
    struct Row { const char* in; const char* out; };
    const Row rows[] = {
        {"", "0"},        {"0", "0"},          {"007", "7"},     {"12", "12"},
        {"1.2.3", "1.2"}, {"12a3", "12"},      {"abc", "0"},     {"  42", "42"},
        {"1.50", "1.5"},  {"2.", "2"},         {"123456", "123456"}, {".5", "0.5"},
        {"1234567", "1234567"}, {"1234567.25", "1234567.25"}, {"123456789012345", "123456789012345"},
    };
    for (const Row& r : rows) EXPECT_EQ(NumericText(QString::fromUtf8(r.in)), QString::fromUtf8(r.out)) << r.in;
}

TEST(DialogsTextFields, TrailingNonNumericCharactersAreDropped)
{
    // Only the end is looked at.
    for (const auto& [in, out] : {std::pair{"12a", "12"}, {"12.", "12."}, {"1a2", "1a2"}, {"-", ""}, {"", ""}})
        EXPECT_EQ(StripTrailingNonNumeric(in), out) << in;
}

namespace {

struct Form {
    Form()
    {
        auto* layout = new QVBoxLayout(&w);
        for (int i = 0; i < 3; ++i) {
            edits[i] = new QLineEdit(&w);
            edits[i]->setObjectName(QStringLiteral("Txt%1").arg(i + 1));
            layout->addWidget(edits[i]);
        }
        w.show();
        QApplication::setActiveWindow(&w);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    QWidget w;
    QLineEdit* edits[3] = {};
};

} // namespace

TEST(DialogsClsText, EnterAndDownMoveOnUpMovesBack)
{
    Form f;
    clsText t1(f.edits[0]), t2(f.edits[1]), t3(f.edits[2]);
    f.edits[0]->setFocus();
    f.edits[0]->setText(QStringLiteral("ab"));
    QTest::keyClick(f.edits[0], Qt::Key_Return);
    EXPECT_TRUE(f.edits[1]->hasFocus());
    EXPECT_EQ(f.edits[0]->text(), "ab"); // nothing reached the field
    QTest::keyClick(f.edits[1], Qt::Key_Down);
    EXPECT_TRUE(f.edits[2]->hasFocus());
    QTest::keyClick(f.edits[2], Qt::Key_Up);
    EXPECT_TRUE(f.edits[1]->hasFocus());
    QTest::keyClick(f.edits[1], Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(f.edits[2]->hasFocus());
}

TEST(DialogsClsText, EnteringAFieldSelectsItsText)
{
    Form f;
    clsText t1(f.edits[0]), t2(f.edits[1]);
    f.edits[1]->setText(QStringLiteral("홍길동"));
    f.edits[0]->setFocus();
    QTest::keyClick(f.edits[0], Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(f.edits[1]->hasFocus());
    EXPECT_EQ(f.edits[1]->selectedText(), "홍길동");
}

TEST(DialogsClsText, DetachedFieldBehavesAsUsual)
{
    Form f;
    {
        clsText t1(f.edits[0]);
    }
    f.edits[0]->setFocus();
    QTest::keyClick(f.edits[0], Qt::Key_Down);
    EXPECT_TRUE(f.edits[0]->hasFocus());

    clsText t;
    t.setMyText(f.edits[0]);
    t.setMyText(nullptr);
    QTest::keyClick(f.edits[0], Qt::Key_Return);
    EXPECT_TRUE(f.edits[0]->hasFocus());
}

TEST(DialogsClsNtext, TypedLettersAndMinusDisappearPointsStay)
{
    Form f;
    clsNtext n(f.edits[0]);
    f.edits[0]->setFocus();
    f.edits[0]->clear();
    QTest::keyClicks(f.edits[0], QStringLiteral("1a2-.5x"));
    EXPECT_EQ(f.edits[0]->text(), "12.5");
    EXPECT_EQ(f.edits[0]->cursorPosition(), 4);
}

TEST(DialogsClsNtext, LeavingKeepsTheLeadingNumber)
{
    Form f;
    clsNtext n(f.edits[0]);
    clsText t(f.edits[1]);
    f.edits[0]->setFocus();
    f.edits[0]->clear();
    QTest::keyClicks(f.edits[0], QStringLiteral("1.2.3"));
    EXPECT_EQ(f.edits[0]->text(), "1.2.3");
    QTest::keyClick(f.edits[0], Qt::Key_Return);
    EXPECT_TRUE(f.edits[1]->hasFocus());
    EXPECT_EQ(f.edits[0]->text(), "1.2");
}

TEST(DialogsClsNtext, PastedTextStaysUntilLeft)
{
    Form f;
    clsNtext n(f.edits[0]);
    f.edits[0]->setFocus();
    f.edits[0]->setText(QStringLiteral("12a3"));
    EXPECT_EQ(f.edits[0]->text(), "12a3");
    f.edits[1]->setFocus();
    EXPECT_EQ(f.edits[0]->text(), "12");
}

TEST(DialogsClsNtext, EmptyBecomesZeroLeadingZerosGo)
{
    Form f;
    f.edits[0]->setText(QString());
    f.edits[1]->setText(QStringLiteral("007"));
    clsNtext n0(f.edits[0]), n1(f.edits[1]);
    f.edits[2]->setFocus();
    f.edits[0]->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(f.edits[0]->text(), "0");
    EXPECT_EQ(f.edits[0]->selectedText(), "0");
    QTest::keyClick(f.edits[0], Qt::Key_Down);
    EXPECT_TRUE(f.edits[1]->hasFocus());
    EXPECT_EQ(f.edits[1]->text(), "7");
    QTest::keyClick(f.edits[1], Qt::Key_Up);
    EXPECT_TRUE(f.edits[0]->hasFocus());
}
