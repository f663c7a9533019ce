#include "widgets/KeyCapture.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tolvo;

TEST(KeyCaptureLogic, MatchingSecondEntryHandsTheKeyOver)
{
    KeyCaptureLogic k;
    EXPECT_EQ(k.prompt(), "사용할 키를 입력하세요!");
    k.keyUp(65, 4);
    EXPECT_EQ(k.firstText(), "ALT + A");
    EXPECT_EQ(k.prompt(), "재입력 하시기 바랍니다!");
    EXPECT_FALSE(k.result().has_value());
    k.keyUp(65, 4);
    EXPECT_EQ(k.secondText(), "ALT + A");
    EXPECT_EQ(k.prompt(), "키입력이 완료되었습니다.");
    ASSERT_TRUE(k.result().has_value());
    EXPECT_EQ(k.result()->text, "ALT + A");
    EXPECT_EQ(k.result()->keyCode, 65);
    EXPECT_EQ(k.result()->shift, 4);
}

TEST(KeyCaptureLogic, MismatchHandsNothingOver)
{
    KeyCaptureLogic k;
    k.keyUp(65, 4);
    k.keyUp(65, 0);
    EXPECT_EQ(k.firstText(), "ALT + A");
    EXPECT_EQ(k.secondText(), "A");
    EXPECT_EQ(k.prompt(), "키입력오류 재시도 하시기 바랍니다.");
    EXPECT_TRUE(k.finished());
    EXPECT_FALSE(k.result().has_value());
}

TEST(KeyCaptureLogic, ModifierReleasesAreIgnored)
{
    KeyCaptureLogic k;
    k.keyUp(18, 0); // Alt released before A
    k.keyUp(16, 0);
    k.keyUp(17, 1); // Ctrl released while Shift still held
    EXPECT_EQ(k.firstText(), "");
    k.keyUp(65, 0);
    EXPECT_EQ(k.firstText(), "A");
}

TEST(KeyCaptureLogic, KeyWithoutTextStaysFirstEntry)
{
    KeyCaptureLogic k;
    k.keyUp(13, 0); // Enter: no text, its codes kept
    EXPECT_EQ(k.firstText(), "");
    EXPECT_EQ(k.savedKeyCode(), 13);
    k.keyUp(112, 0);
    EXPECT_EQ(k.firstText(), "F1");
    EXPECT_EQ(k.savedKeyCode(), 112);
    EXPECT_EQ(k.secondText(), "");
}

TEST(KeyCaptureLogic, CombinedModifiersKeepTheirMaskButNoPrefix)
{
    KeyCaptureLogic k;
    k.keyUp(112, 3); // Ctrl+Shift+F1
    k.keyUp(112, 3);
    ASSERT_TRUE(k.result().has_value());
    EXPECT_EQ(k.result()->text, "F1");
    EXPECT_EQ(k.result()->shift, 3);
}

TEST(KeyCaptureLogic, KeypadDigitsHaveNoText)
{
    KeyCaptureLogic k;
    k.keyUp(97, 0);
    EXPECT_EQ(k.firstText(), "");
}

TEST(KeyCaptureLogic, AfterBothEntriesPlainKeysAreIgnoredModifiedKeysReplaceTheSecond)
{
    KeyCaptureLogic k;
    k.keyUp(66, 2);
    k.keyUp(66, 1);
    EXPECT_FALSE(k.result().has_value());
    k.keyUp(67, 0); // ignored
    EXPECT_EQ(k.secondText(), "SHIFT + B");
    k.keyUp(66, 2); // taken as a new second entry
    EXPECT_EQ(k.secondText(), "CTRL + B");
    EXPECT_EQ(k.prompt(), "키입력이 완료되었습니다.");
    ASSERT_TRUE(k.result().has_value());
    EXPECT_EQ(k.result()->keyCode, 66);
    EXPECT_EQ(k.result()->shift, 2);
}

TEST(KeyCaptureLogic, RetryStartsOver)
{
    KeyCaptureLogic k;
    k.keyUp(65, 4);
    k.keyUp(65, 4);
    k.retry();
    EXPECT_EQ(k.firstText(), "");
    EXPECT_EQ(k.secondText(), "");
    EXPECT_EQ(k.savedKeyCode(), 0);
    EXPECT_EQ(k.savedShift(), 0);
    EXPECT_EQ(k.prompt(), "사용할 키를 입력하세요!");
    EXPECT_FALSE(k.result().has_value());
    EXPECT_FALSE(k.finished());
}

namespace {

QString label(QWidget& w, const char* name) { return w.findChild<QLabel*>(QString::fromLatin1(name))->text(); }

void release(QWidget* target, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyRelease(target, key, mods);
}

} // namespace

TEST(KeyCaptureDialog, FormControlsAtStart)
{
    KeyCaptureDialog d(nullptr);
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

TEST(KeyCaptureDialog, KeysReleasedOnAFocusedButtonAreCapturedAndOkHandsThemOver)
{
    KeyCaptureDialog d(nullptr);
    d.show();
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

TEST(KeyCaptureDialog, EnterAndEscapeAreKeysNotButtonPresses)
{
    KeyCaptureDialog d(nullptr);
    d.show();
    QTest::keyClick(&d, Qt::Key_Escape);
    QTest::keyClick(&d, Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(label(d, "Label2_0"), "");
}

TEST(KeyCaptureDialog, AutoRepeatReleasesAreIgnored)
{
    KeyCaptureDialog d(nullptr);
    d.show();
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"), true);
    QApplication::sendEvent(&d, &repeat);
    EXPECT_EQ(label(d, "Label2_0"), "");
    release(&d, Qt::Key_B);
    EXPECT_EQ(label(d, "Label2_0"), "B");
}

TEST(KeyCaptureDialog, OkAfterMismatchHandsNothingOver)
{
    KeyCaptureDialog d(nullptr);
    d.show();
    release(&d, Qt::Key_A, Qt::AltModifier);
    release(&d, Qt::Key_A);
    EXPECT_EQ(label(d, "Label1"), "키입력오류 재시도 하시기 바랍니다.");
    QTest::mouseClick(d.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_FALSE(d.captured().has_value());
}

TEST(KeyCaptureDialog, RetryClearsAndRestartsTheBlinking)
{
    KeyCaptureDialog d(nullptr);
    d.show();
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

TEST(KeyCaptureDialog, ClosingByTheWindowHandsNothingOver)
{
    KeyCaptureDialog d(nullptr);
    d.show();
    release(&d, Qt::Key_F5);
    release(&d, Qt::Key_F5);
    d.close();
    EXPECT_FALSE(d.captured().has_value());
}

TEST(KeyCaptureDialog, PictureBlinksWhileWaiting)
{
    KeyCaptureDialog d(nullptr);
    d.show();
    auto* img = d.findChild<QLabel*>("Image1");
    const bool before = img->isVisible();
    QTest::qWait(600);
    EXPECT_NE(img->isVisible(), before);
}
