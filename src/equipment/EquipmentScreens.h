#pragma once

class QWidget;

// The dispenser and exit-reader screens, each shown modally: the ticket stock
// (FrmTDCnt), the second family's settings with the fee-display tests (FrmTD),
// the first family's guidance text and clock (FrmInfom) and the exit reader's
// greeting and time (FrmOutRd).
namespace tolvo {

struct Station;
class DispenserFamily1;

void ShowFrmTDCnt(Station& st, QWidget* parent = nullptr);
void ShowFrmTD(Station& st, QWidget* parent = nullptr);
void ShowFrmInfom(Station& st, DispenserFamily1* link, QWidget* parent = nullptr);
void ShowFrmOutRd(Station& st, QWidget* parent = nullptr);

} // namespace tolvo
