#include "platform/VirtualKeys.h"

#include <QKeyEvent>

namespace tolvo {

namespace {

// Digits typed with Shift on a US layout arrive as their symbols.
std::optional<int> digitOfShiftedSymbol(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_ParenRight: return 0;
    case Qt::Key_Exclam: return 1;
    case Qt::Key_At: return 2;
    case Qt::Key_NumberSign: return 3;
    case Qt::Key_Dollar: return 4;
    case Qt::Key_Percent: return 5;
    case Qt::Key_AsciiCircum: return 6;
    case Qt::Key_Ampersand: return 7;
    case Qt::Key_Asterisk: return 8;
    case Qt::Key_ParenLeft: return 9;
    default: return std::nullopt;
    }
}

std::optional<int> keypadCode(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return VK_NUMPAD0 + (qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Plus: return VK_ADD;
    case Qt::Key_Minus: return VK_SUBTRACT;
    case Qt::Key_Period: return VK_DECIMAL;
    case Qt::Key_Slash: return VK_DIVIDE;
    case Qt::Key_Enter: return VK_RETURN;
    default: return std::nullopt;
    }
}

std::optional<int> mainKeyCode(int qtKey)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return VK_A + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return VK_0 + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return VK_F1 + (qtKey - Qt::Key_F1);
    if (const auto d = digitOfShiftedSymbol(qtKey)) return VK_0 + *d;
    switch (qtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    default: return std::nullopt;
    }
}

} // namespace

int shiftMaskOf(const QKeyEvent& e)
{
    const Qt::KeyboardModifiers m = e.modifiers();
    int mask = 0;
    if (m & Qt::ShiftModifier) mask |= ShiftMaskShift;
    if (m & Qt::ControlModifier) mask |= ShiftMaskCtrl;
    if (m & Qt::AltModifier) mask |= ShiftMaskAlt;
    return mask;
}

std::optional<VirtualKey> toVirtualKey(const QKeyEvent& e)
{
    const int qtKey = e.key();
    std::optional<int> code;
    if (e.modifiers() & Qt::KeypadModifier) code = keypadCode(qtKey);
    if (!code) code = mainKeyCode(qtKey);
    if (!code) return std::nullopt;
    // A modifier key's own bit is left out, so releasing Shift alone gives
    // (16, 0) whatever state the platform reports around the release.
    int shift = shiftMaskOf(e);
    if (*code == VK_SHIFT) shift &= ~ShiftMaskShift;
    if (*code == VK_CONTROL) shift &= ~ShiftMaskCtrl;
    if (*code == VK_MENU) shift &= ~ShiftMaskAlt;
    return VirtualKey{*code, shift};
}

PhysicalKey physicalKeyOf(const QKeyEvent& e)
{
    enum By { ScanCode = 1, Virtual, QtKey };
    if (e.nativeScanCode() != 0) return {ScanCode, int(e.nativeScanCode())};
    if (const auto vk = toVirtualKey(e)) return {Virtual, vk->keyCode};
    return {QtKey, e.key()};
}

bool isRepeatRelease(const QKeyEvent& e)
{
    return e.type() == QEvent::KeyRelease && e.isAutoRepeat();
}

bool isModifierKey(int keyCode)
{
    return keyCode == VK_SHIFT || keyCode == VK_CONTROL || keyCode == VK_MENU;
}

QString keyText(int keyCode)
{
    if (keyCode >= VK_A && keyCode <= VK_Z) return QString(QChar(keyCode));
    if (keyCode >= VK_0 && keyCode <= VK_9) return QString(QChar(keyCode));
    if (keyCode >= VK_F1 && keyCode <= VK_F12) return QStringLiteral("F") + QString::number(keyCode - VK_F1 + 1);
    return {};
}

QString keyEntryText(int keyCode, int shift)
{
    const QString key = keyText(keyCode);
    switch (shift) {
    case ShiftMaskShift: return QStringLiteral("SHIFT + ") + key;
    case ShiftMaskCtrl: return QStringLiteral("CTRL + ") + key;
    case ShiftMaskAlt: return QStringLiteral("ALT + ") + key;
    default: return key;
    }
}

} // namespace tolvo
