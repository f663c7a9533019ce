#pragma once

#include "serial/Printer.h"

#include <QString>

// The fee receipt of an exit.
namespace tolvo {

struct Station;

// Values of one receipt.
struct ReceiptData {
    QString TicketNo;
    bool Lost = false;
    QString InDate, InTime, OutDate, OutTime;
    qint32 ParkMinutes = 0;
    qint32 DiscMinutes = 0;
    qint32 TotalFee = 0;
    qint32 PayAmount = 0;
    QString Greeting;    // 인쇄옵션.종인사문
    QString Business;    // 상호
    QString Address;     // 주소
    QString BusinessNo;  // 사업자번호
    QString WorkerName;
};

// Lines 1..10, the cut, then the heading of the next receipt (lines 11..18).
PrintOps Receipt_Layout(const ReceiptData& d);

// Prints the receipt of the exit being completed (Station::trx), unless
// 인쇄옵션.영수증인쇄여부 is off. Called by the exit keys when money is collected.
void Receipt_Print(Station& st);
// Prints the last completed exit again from 임시일반권 (reprint key).
void Receipt_Reprint(Station& st);

} // namespace tolvo
