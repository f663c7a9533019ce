#include "platform/VirtualKeys.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

std::optional<VirtualKey> vk(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
{
    const QKeyEvent e(QEvent::KeyRelease, qtKey, mods, text);
    return toVirtualKey(e);
}

} // namespace

TEST(VirtualKeys, TableOfQtKeysToWindowsCodes)
{
    struct Row { int qt; Qt::KeyboardModifiers mods; int code; int shift; };
    const Row rows[] = {
        {Qt::Key_A, Qt::NoModifier, 65, 0},
        {Qt::Key_Z, Qt::NoModifier, 90, 0},
        {Qt::Key_A, Qt::AltModifier, 65, 4},
        {Qt::Key_Q, Qt::ControlModifier, 81, 2},
        {Qt::Key_B, Qt::ShiftModifier, 66, 1},
        {Qt::Key_0, Qt::NoModifier, 48, 0},
        {Qt::Key_9, Qt::NoModifier, 57, 0},
        {Qt::Key_Exclam, Qt::ShiftModifier, 49, 1},
        {Qt::Key_ParenRight, Qt::ShiftModifier, 48, 1},
        {Qt::Key_0, Qt::KeypadModifier, 96, 0},
        {Qt::Key_9, Qt::KeypadModifier, 105, 0},
        {Qt::Key_Asterisk, Qt::KeypadModifier, 106, 0},
        {Qt::Key_Plus, Qt::KeypadModifier, 107, 0},
        {Qt::Key_Minus, Qt::KeypadModifier, 109, 0},
        {Qt::Key_Period, Qt::KeypadModifier, 110, 0},
        {Qt::Key_Slash, Qt::KeypadModifier, 111, 0},
        {Qt::Key_F1, Qt::NoModifier, 112, 0},
        {Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier, 123, 3},
        {Qt::Key_Return, Qt::NoModifier, 13, 0},
        {Qt::Key_Enter, Qt::KeypadModifier, 13, 0},
        {Qt::Key_Escape, Qt::NoModifier, 27, 0},
        {Qt::Key_Left, Qt::NoModifier, 37, 0},
        {Qt::Key_Up, Qt::NoModifier, 38, 0},
        {Qt::Key_Right, Qt::NoModifier, 39, 0},
        {Qt::Key_Down, Qt::NoModifier, 40, 0},
        {Qt::Key_Shift, Qt::NoModifier, 16, 0},
        {Qt::Key_Control, Qt::NoModifier, 17, 0},
        {Qt::Key_Alt, Qt::NoModifier, 18, 0},
        {Qt::Key_F5, Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier, 116, 7},
    };
    for (const Row& r : rows) {
        const auto k = vk(r.qt, r.mods);
        ASSERT_TRUE(k.has_value()) << r.qt;
        EXPECT_EQ(k->keyCode, r.code) << r.qt;
        EXPECT_EQ(k->shift, r.shift) << r.qt;
    }
}

TEST(VirtualKeys, UnknownKeyGivesNothing)
{
    EXPECT_FALSE(vk(Qt::Key_Hangul).has_value());
}

TEST(VirtualKeys, AutoRepeatReleaseIsRecognised)
{
    const QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QString(), true);
    const QKeyEvent real(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QString(), false);
    EXPECT_TRUE(isRepeatRelease(repeat));
    EXPECT_FALSE(isRepeatRelease(real));
}

TEST(VirtualKeys, KeyTextOfLettersDigitsAndFunctionKeys)
{
    // Keypad 0 (96), Enter (13), F13 (124) and the codes beside the letters have none.
    const std::pair<int, const char*> rows[] = {{65, "A"},    {90, "Z"},   {48, "0"}, {57, "9"}, {112, "F1"}, {121, "F10"},
                                                {123, "F12"}, {96, ""},    {13, ""},  {124, ""}, {64, ""},    {91, ""}};
    for (const auto& [code, text] : rows) EXPECT_EQ(keyText(code), QString::fromUtf8(text)) << code;
}

TEST(VirtualKeys, EntryTextTakesAPrefixOnlyForASingleModifier)
{
    struct Row { int code; int shift; const char* text; };
    const Row rows[] = {
        {65, 0, "A"},        {65, 1, "SHIFT + A"}, {65, 2, "CTRL + A"}, {65, 4, "ALT + A"},
        {65, 3, "A"},        {65, 5, "A"},         {65, 6, "A"},        {65, 7, "A"},
        {51, 4, "ALT + 3"},  {51, 2, "CTRL + 3"},  {116, 1, "SHIFT + F5"}, {116, 0, "F5"},
        {112, 3, "F1"},      {13, 0, ""},          {13, 1, "SHIFT + "},
    };
    for (const Row& r : rows)
        EXPECT_EQ(keyEntryText(r.code, r.shift), QString::fromUtf8(r.text)) << r.code << "/" << r.shift;
}

TEST(VirtualKeys, ModifierKeyLeavesOutItsOwnBit)
{
    // Whatever the platform reports for the modifier itself, only the others count.
    for (auto mods : {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        const QKeyEvent e(QEvent::KeyRelease, Qt::Key_Shift, mods);
        EXPECT_EQ(toVirtualKey(e), (VirtualKey{16, 0}));
    }
    const QKeyEvent ctrlWithShift(QEvent::KeyRelease, Qt::Key_Control, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(toVirtualKey(ctrlWithShift), (VirtualKey{17, 1}));
}
