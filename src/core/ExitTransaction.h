#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

namespace tolvo {

// The one general ticket the station is handling.
struct ExitTransaction {
    QString TicketData;     // ticket no (4) + entry "yyyymmdd" + entry "hhnn"
    QString EntryCode;      // key 입차코드
    QString TicketNo;       // 4 characters
    QString InDate, InTime; // "yyyy-mm-dd", "hh:nn"
    QString OutDate, OutTime;
    qint32 ParkMinutes = 0;
    qint32 DiscMinutes = 0;
    qint32 TotalFee = 0;
    qint32 PayAmount = 0;
    QString DiscKind;
    bool LostTicket = false;
    bool TicketInProgress = false;
    bool ExitDone = false;
    bool EnterGuard = false;
    bool TicketTyped = false;
    // Print line of a recycled ticket; set by the ticket reader's fee run,
    // advanced by 5 per exit stamp.
    qint16 RecycleLine = 0;
    // Counts the tickets shown: a key pressed before the one on screen was
    // shown was meant for something else.
    quint32 ShownCount = 0;
    // The reader's cards wait for the typed ticket on screen: cards came while
    // its lookup ran, and its completion or cancellation lets them in.
    bool CardsWaitForExit = false;
};

// How the exit reaches the things it does not own. An empty member means:
// - frmInput: no form, the entry is cancelled;
// - the reader commands: no ticket reader (write fails, the rest does nothing);
// - the booth devices: the fee display and printer routines of src/serial.
// Tests fill them with recorders; the program fills frmInput (FrmInput_Install)
// and the reader commands (AttachTicketReader; on a closed port they fail at once).
struct ExitLinks {
    // Shows FrmInput for the typed ticket number; the 16-character ticket data,
    // or empty when cancelled or closed.
    std::function<QString(const QString& ticketNo)> frmInput;

    // Ticket reader (port 6).
    std::function<bool(const QString& data)> readerWrite; // Write_CMD: true when written
    std::function<void(const QString& data)> readerPrint90;
    std::function<void(const QString& data)> readerPrint96;
    std::function<void()> readerEject;
    // Cards the reader sends while an exit is under way (a lookup, a typed
    // ticket, a cancellation, a completion) wait for its end (true: it begins;
    // false: it ends, and they are handled).
    std::function<void(bool)> readerHoldCards;
    // Handles at once the cards the reader holds, so that a ticket typed after
    // them does not overtake them.
    std::function<void()> readerCatchUp;
    // The reader has cards waiting.
    std::function<bool()> readerCardsWaiting;

    // Booth devices.
    std::function<void()> gateOpen;                   // FeeDisp_GateOpen
    std::function<void(qint32)> feeDispAmount;        // FeeDisp_Amount
    std::function<void(const QString& hhnn)> feeDispTime; // FeeDisp_Time
    std::function<void()> openDrawer;                 // Printer_OpenDrawer
    std::function<void()> receiptPrint;               // Receipt_Print
};

// The reader's cards wait for the end of this scope: the exit's own reader
// commands run meanwhile, and a card read then is handled after them.
class ReaderCardsHeld {
public:
    explicit ReaderCardsHeld(const ExitLinks& x) : m_x(x)
    {
        if (m_x.readerHoldCards) m_x.readerHoldCards(true);
    }
    ~ReaderCardsHeld()
    {
        if (m_x.readerHoldCards) m_x.readerHoldCards(false);
    }
    ReaderCardsHeld(const ReaderCardsHeld&) = delete;
    ReaderCardsHeld& operator=(const ReaderCardsHeld&) = delete;

private:
    const ExitLinks& m_x;
};

} // namespace tolvo
