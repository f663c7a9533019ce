#pragma once

#include <QString>
#include <vector>

// The receipt printer (POS_Printer): serial port 4, LPT1/LPT2 or a day file,
// by 영수증프린터.PORT, re-read on every call. A print job is:
//   if (Printer_Open(st)) { Printer_Print/Feed/Cut ...; } Printer_Release(st);
// Printer_OpenDrawer is a complete job by itself.
namespace tolvo {

struct Station;

// Opens a job. False (after telling the operator, for the printers that say why) when
// the printer cannot print; the caller then skips the whole job.
bool Printer_Open(Station& st);
// Ends the job: closes the parallel device; later writes do nothing.
void Printer_Release(Station& st);
// Model code of 영수증프린터.기종: CBM-720 1, CP-300 2, TM-300 3, STAR-300 4,
// TM-T88 and WRP-100P 5, anything else 0 (prints nothing).
quint8 Printer_Model(Station& st);
// One line: the model's size code (large when large != 0), the text in CP949, LF.
void Printer_Print(Station& st, const QString& text, quint8 large = 0);
// count line feeds.
void Printer_Feed(Station& st, quint8 count);
// Five line feeds, then the model's cut (model 1 appends byte n).
void Printer_Cut(Station& st, quint8 n = 0);
// Kicks the cash drawer (opens and releases its own job).
void Printer_OpenDrawer(Station& st);
// Readiness of the parallel printer on LPT1 (1) or LPT2 (2).
bool Lpt_Status(Station& st, int lpt);
// Appends text and CR LF in CP949 to the day file Data/yyyy-mm-dd.txt.
void Print_ToFile(Station& st, const QString& text);

// A report built as print operations, then played to the printer, so layouts
// are tested without a printer.
struct PrintOp {
    enum Kind { Line, Feed, Cut };
    Kind kind = Line;
    QString text;     // Line
    quint8 large = 0; // Line: 1 for large text
    quint8 n = 0;     // Feed: count; Cut: argument byte
    bool operator==(const PrintOp&) const = default;
};
using PrintOps = std::vector<PrintOp>;
PrintOp PrintLine(const QString& text, quint8 large = 0);
PrintOp PrintFeed(quint8 count);
PrintOp PrintCut(quint8 n = 0);
// Plays the operations to the open job.
void Printer_Play(Station& st, const PrintOps& ops);

} // namespace tolvo
