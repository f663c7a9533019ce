#pragma once

#include <functional>

namespace tolvo {

struct Station;
class Menus;

// Booth actions of the function keys that belong to other parts. An empty
// member does nothing (the part is not connected yet).
struct FunctionKeyActions {
    std::function<void(Station&)> openDrawer;       // 0  Printer_OpenDrawer
    std::function<void(Station&)> receiptReprint;   // 1  Receipt_Reprint
    std::function<void(Station&, int)> gateOpenIn;  // 3, 27  Gate_OpenIn(1 / 3)
    std::function<void(Station&, int)> gateOpenOut; // 4, 28  Gate_OpenOut(2 / 5)
    std::function<void(Station&)> ejectTicket;      // 24 Eject_CMD
    std::function<void(Station&)> eraseTicket;      // 29 RD_EraseTicket
};

// Printer_OpenDrawer, Receipt_Reprint and the reader's eject of the exit links;
// the barriers wait for the season gates.
FunctionKeyActions DefaultFunctionKeyActions();

// The function code (0..29) of the active function key on this key code and
// shift state; -1 when no active key is bound to it.
int FunctionCodeOf(Station& st, int keyCode, int shift);

// The key's release would act as the car park bound it: a discount key while a
// ticket is in progress, a function key otherwise. A database that cannot be
// read binds nothing.
bool BoothKeyBound(Station& st, int keyCode, int shift);

// A released key while no ticket is in progress: runs the bound function.
// Menu functions call the menu handler with its own rights test.
void FunctionKey(Station& st, Menus& menus, const FunctionKeyActions& actions, int keyCode, int shift);

// The menu item a function code calls, or nullptr for a code that is not a menu.
const char* FunctionMenuItem(int code);

} // namespace tolvo
