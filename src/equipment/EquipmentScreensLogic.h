#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// What the dispenser and exit-reader screens do, without their widgets: the
// ticket stock, the dispenser's setting commands and the fee-display tests,
// and the date label of the guidance screens.
namespace tolvo {

struct Station;
class DispenserFamily1;

// ---- ticket stock (FrmTDCnt) ----
// "현재 잔여주차권 매수 : " and the count, as the screen opens.
QString StockLabel(qint32 count);
// Stores a typed count: refused (false, with its message) when it reads 0 or
// less or beyond a 32-bit count; else the typed text goes to the settings file,
// the count rounds half to even, and the blinking dispenser lamps stop.
bool StoreTicketStock(Station& st, const QString& typed);
// The main screen's stock label as the screen closes.
void ShowStockOnMain(Station& st);

// ---- dispenser settings (FrmTD) ----
inline constexpr int kTdCommandCount = 14;
inline constexpr int kUnitNoCommand = 5;
// List text of a command position.
QString TdCommandName(int pos);

// The two setting boxes and the guidance text for a selected command.
struct TdSelection {
    bool enabled0 = false;
    int maxLength0 = 2;
    QString text0;
    bool enabled1 = false;
    QString text1;
    QString guide;
};
// Reads the first row of 발권기 (a failure shows its message and empty boxes);
// "UNIT_NO 설정" also takes the stored unit number, when there is a row to take it from.
TdSelection SelectTdCommand(Station& st, int pos);
// The guidance when port 0 is closed.
QString TdPortClosedText();

// The command text: unit number, the code, the parameters.
QString TdCommandText(int pos, const QString& unitNo, const QString& value0, const QString& value1,
                      const QDateTime& now);
// Sends a command and waits 0.3 s for the ACK; on success stores the values
// the command sets, then shows the result. "UNIT_NO 설정" stores the unit number only.
void SendTdCommand(Station& st, int pos, const QString& value0, const QString& value1);

// Fee-display tests by Combo2 index.
inline constexpr int kFeeTestCount = 6;
QString FeeTestName(int index);
struct FeeTestBox {
    bool changes = false; // false: the value box stays as it is
    int maxLength = 6;
    bool enabled = true;
    QString text;
};
FeeTestBox SelectFeeTest(int index, const QDateTime& now);
void RunFeeTest(Station& st, int index, const QString& value);
// Sends the port-test frame on port 7, looks once 0.1 s later, shows the result.
void FeeDisplayLoopTest(Station& st);

// ---- guidance screens (FrmInfom, FrmOutRd) ----
// "yyyy년 mm월 dd일  hh:nn".
QString OpeningStamp(const QDateTime& now);
enum class InfomAction { SendText, ClockSet, DisplayTime };
// Waits 0.5 s, runs the dispenser sender and shows its result.
void RunInfomAction(Station& st, DispenserFamily1* link, InfomAction action, const QString& text);

} // namespace tolvo
