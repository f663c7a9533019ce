#include "widgets/KeyCapture.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace tolvo;

TEST(KeyCaptureLogic, ReleasedKeysInTurn)
{
    struct Row {
        const char* name;
        std::vector<std::pair<int, int>> keys;  // released (code, shift mask) in order
        const char* first;
        const char* second;
        const char* prompt;
        int savedCode;
        std::optional<std::pair<int, int>> result;  // (code, shift) handed over
        const char* resultText;
    };
    const Row rows[] = {
        {"nothing yet", {}, "", "", "사용할 키를 입력하세요!", 0, {}, ""},
        {"first entry asks again", {{65, 4}}, "ALT + A", "", "재입력 하시기 바랍니다!", 65, {}, ""},
        {"matching second entry", {{65, 4}, {65, 4}}, "ALT + A", "ALT + A", "키입력이 완료되었습니다.", 65, {{65, 4}}, "ALT + A"},
        {"mismatch", {{65, 4}, {65, 0}}, "ALT + A", "A", "키입력오류 재시도 하시기 바랍니다.", 65, {}, ""},
        // Alt, Shift released before A; Ctrl released while Shift still held
        {"modifier releases ignored", {{18, 0}, {16, 0}, {17, 1}, {65, 0}}, "A", "", "재입력 하시기 바랍니다!", 65, {}, ""},
        {"key without text stays the first entry", {{13, 0}, {112, 0}}, "F1", "", "재입력 하시기 바랍니다!", 112, {}, ""},
        {"keypad digit has no text", {{97, 0}}, "", "", "재입력 하시기 바랍니다!", 97, {}, ""},
        {"combined modifiers keep the mask, no prefix", {{112, 3}, {112, 3}}, "F1", "F1", "키입력이 완료되었습니다.", 112, {{112, 3}}, "F1"},
        {"after both, plain keys are ignored", {{66, 2}, {66, 1}, {67, 0}}, "CTRL + B", "SHIFT + B", "키입력오류 재시도 하시기 바랍니다.", 66, {}, ""},
        {"after both, a modified key replaces the second", {{66, 2}, {66, 1}, {67, 0}, {66, 2}}, "CTRL + B", "CTRL + B",
         "키입력이 완료되었습니다.", 66, {{66, 2}}, "CTRL + B"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        KeyCaptureLogic k;
        for (const auto& [code, shift] : r.keys) k.keyUp(code, shift);
        EXPECT_EQ(k.firstText(), QString::fromUtf8(r.first));
        EXPECT_EQ(k.secondText(), QString::fromUtf8(r.second));
        EXPECT_EQ(k.prompt(), QString::fromUtf8(r.prompt));
        EXPECT_EQ(k.savedKeyCode(), r.savedCode);
        EXPECT_EQ(k.result().has_value(), r.result.has_value());
        if (k.result() && r.result) {
            EXPECT_EQ(k.result()->text, QString::fromUtf8(r.resultText));
            EXPECT_EQ(std::make_pair(k.result()->keyCode, k.result()->shift), *r.result);
        }
    }
}

namespace {

class KeyCaptureDialogTest : public ::testing::Test {
protected:
    KeyCaptureDialogTest() { d.show(); }
    KeyCaptureDialog d{nullptr};
};

QString label(QWidget& w, const char* name) { return w.findChild<QLabel*>(QString::fromLatin1(name))->text(); }

void release(QWidget* target, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyRelease(target, key, mods);
}

} // namespace

TEST_F(KeyCaptureDialogTest, FormControlsAtStart)
{
    EXPECT_EQ(d.objectName(), "Dialog");
    EXPECT_EQ(d.windowTitle(), "사용키 입력");
    EXPECT_EQ(label(d, "Label1"), "사용할 키를 입력하세요!");
    EXPECT_EQ(label(d, "Label3_0"), "입력키 : ");
    EXPECT_EQ(label(d, "Label3_1"), "재입력 : ");
    EXPECT_EQ(label(d, "Label2_0"), "");
    EXPECT_EQ(label(d, "Label2_1"), "");
    EXPECT_EQ(d.findChild<QPushButton*>("CancelButton")->text(), "재시도");
    EXPECT_EQ(d.findChild<QPushButton*>("OKButton")->text(), "확인");
    auto* timer = d.findChild<QTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 500);
}

TEST_F(KeyCaptureDialogTest, KeysReleasedOnAFocusedButtonAreCapturedAndOkHandsThemOver)
{
    auto* ok = d.findChild<QPushButton*>("OKButton");
    // Press and release Alt+A twice while the button has the focus.
    for (int i = 0; i < 2; ++i) {
        QTest::keyPress(ok, Qt::Key_A, Qt::AltModifier);
        release(ok, Qt::Key_A, Qt::AltModifier);
        release(ok, Qt::Key_Alt, Qt::NoModifier);
    }
    EXPECT_EQ(label(d, "Label2_0"), "ALT + A");
    EXPECT_EQ(label(d, "Label2_1"), "ALT + A");
    EXPECT_EQ(label(d, "Label1"), "키입력이 완료되었습니다.");
    EXPECT_FALSE(d.findChild<QTimer*>("Timer1")->isActive());
    EXPECT_TRUE(d.findChild<QLabel*>("Image1")->isVisible());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    ASSERT_TRUE(d.captured().has_value());
    EXPECT_EQ(d.captured()->text, "ALT + A");
    EXPECT_EQ(d.captured()->keyCode, 65);
    EXPECT_EQ(d.captured()->shift, 4);
}

TEST_F(KeyCaptureDialogTest, EnterAndEscapeAreKeysNotButtonPresses)
{
    QTest::keyClick(&d, Qt::Key_Escape);
    QTest::keyClick(&d, Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(label(d, "Label2_0"), "");
}

TEST_F(KeyCaptureDialogTest, AutoRepeatReleasesAreIgnored)
{
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"), true);
    QApplication::sendEvent(&d, &repeat);
    EXPECT_EQ(label(d, "Label2_0"), "");
    release(&d, Qt::Key_B);
    EXPECT_EQ(label(d, "Label2_0"), "B");
}

TEST_F(KeyCaptureDialogTest, OkAfterMismatchHandsNothingOver)
{
    release(&d, Qt::Key_A, Qt::AltModifier);
    release(&d, Qt::Key_A);
    EXPECT_EQ(label(d, "Label1"), "키입력오류 재시도 하시기 바랍니다.");
    QTest::mouseClick(d.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_FALSE(d.captured().has_value());
}

TEST_F(KeyCaptureDialogTest, RetryClearsAndRestartsTheBlinking)
{
    release(&d, Qt::Key_F5);
    release(&d, Qt::Key_F6);
    QTest::mouseClick(d.findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(label(d, "Label2_0"), "");
    EXPECT_EQ(label(d, "Label2_1"), "");
    EXPECT_EQ(label(d, "Label1"), "사용할 키를 입력하세요!");
    EXPECT_TRUE(d.findChild<QTimer*>("Timer1")->isActive());
    release(&d, Qt::Key_F5);
    release(&d, Qt::Key_F5);
    QTest::mouseClick(d.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    ASSERT_TRUE(d.captured().has_value());
    EXPECT_EQ(d.captured()->text, "F5");
    EXPECT_EQ(d.captured()->keyCode, 116);
}

TEST_F(KeyCaptureDialogTest, ClosingByTheWindowHandsNothingOver)
{
    release(&d, Qt::Key_F5);
    release(&d, Qt::Key_F5);
    d.close();
    EXPECT_FALSE(d.captured().has_value());
}

TEST_F(KeyCaptureDialogTest, PictureBlinksWhileWaiting)
{
    auto* img = d.findChild<QLabel*>("Image1");
    const bool before = img->isVisible();
    QTest::qWait(600);
    EXPECT_NE(img->isVisible(), before);
}
