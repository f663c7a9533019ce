#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <memory>
#include <optional>

// The logic of the equipment test screen FrmTest: single dispenser and reader
// commands, the test ticket, the fee display and exit reader tests, the
// season-card simulation and the test-entry generator.
namespace tolvo {

struct Station;
class DispenserFamily1;
class TicketReaderLink;

class ExitReaderLink;

// The device links the screen drives; a missing link sends nothing.
struct EquipmentLinks {
    std::shared_ptr<DispenserFamily1> dispenser;
    std::shared_ptr<TicketReaderLink> reader;
    std::shared_ptr<ExitReaderLink> exitReader;
};

// One row of the dispenser command table: what scrolling to a code shows.
struct TdCommandView {
    QString label;
    std::optional<QString> text3;  // empty optional: left as it is
    std::optional<bool> enabled;   // likewise
};
TdCommandView TdCommand(int code, const QDateTime& now);

QStringList ReaderCommandNames();
QStringList FeeTestNames();
QStringList ExitReaderActionNames();

// "yyyymmddhhnnss" and the weekday, Monday "01" .. Saturday "06", Sunday "07".
QString ExitReaderTimeText(const QDate& d, const QTime& t);
// The typed allowed minutes as two digits: empty gives "00"; anything but one
// or two digits gives nothing.
std::optional<QString> ExitReaderMinutes(const QString& typed);

struct ReadBackView {
    QString label13;
    QString text6;
};
ReadBackView ReadBackOf(bool answered, const QString& reply);

class EquipmentTestLogic {
public:
    EquipmentTestLogic(Station& st, EquipmentLinks links);
    ~EquipmentTestLogic(); // the reader is never left busy by this screen
    EquipmentTestLogic(const EquipmentTestLogic&) = delete;
    EquipmentTestLogic& operator=(const EquipmentTestLogic&) = delete;

    // Dispenser panel.
    void tdRun(const QString& text2, const QString& text3);
    void tdClock(int index);
    // Reader panel.
    void readerRun(int index, const QString& text1);
    void readerPrepare();
    void readerIssue(const QString& ticket, const QDate& date, const QTime& time);
    void readerErase();
    // Fee display panel.
    bool feeDisplayUsable() const;
    void feeTest(int index, const QString& txt1);
    // Exit reader panel.
    bool exitReaderUsable() const;
    ReadBackView readBack();
    // The read-back's view when the action ends with one.
    std::optional<ReadBackView> exitReaderRun(int index, const QDate& d, const QTime& t, const QString& minutes,
                                              const QString& guide);
    // Season gates and the generator.
    void seasonCard(int index, const QString& card);
    void generate(int index, const QString& first, const QString& last);
    void exit();

private:
    void digitSweep();

    Station& m_st;
    EquipmentLinks m_links;
};

} // namespace tolvo
