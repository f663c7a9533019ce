#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The booth's fee display on port 7 and the barrier relays it carries.
// Every sender does nothing when port 7 is closed or the model code
// (Station::models.FeeDispType) is outside 0..4.
namespace tolvo {

struct Station;

// Shows an amount of won (7+ digits show "999999", a negative amount 0).
void FeeDisp_Amount(Station& st, qint32 amount);
// Shows the time; hhnn must be exactly 4 characters ("0930"), else nothing is sent.
void FeeDisp_Time(Station& st, const QString& hhnn);
// Blanks the display (shut-down).
void FeeDisp_Clear(Station& st);
// Opens the exit barrier; on models 0 and 4 arms the clock refresh
// (comm->feeDisp.GateFlagA/GateFlagB) that the one-second timer completes.
void FeeDisp_GateOpen(Station& st);
// Pulses the relay of barrier number gate (0 = the display's relay 1).
void Gate_Pulse(Station& st, qint16 gate);
// Model 4 only: asks the display's status (the answer shows in the trace).
void FeeDisp_Status(Station& st);
// Sends the date-and-time text "TSyy/mm/dd hh:nn" whatever the model.
void Disp_TimeText(Station& st);
// Receive routine of port 7: collects frames, sets the port-test echo, traces.
void FeeDisp_Receive(Station& st);

// The bytes each operation sends, for one model (and the 9600-baud form of model 1).
namespace feedisp {
QByteArray AmountFrame(quint8 model, bool baud9600, qint32 amount);
QByteArray TimeFrame(quint8 model, bool baud9600, const QString& hhnn);
QByteArray ClearFrame(quint8 model, bool baud9600);
QByteArray TimeTextFrame(const QDateTime& now);
QByteArray BestDisplayFrame(const QByteArray& sixChars); // model 2's 13-byte frame
QByteArray BestRelayFrame(quint8 command);               // model 2's 7-byte frame
QString AmountField(qint32 amount);                      // A: right-aligned in 6, or "999999"
} // namespace feedisp

} // namespace tolvo
