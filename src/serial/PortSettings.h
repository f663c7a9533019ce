#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <array>
#include <functional>
#include <optional>

// The logic of the port settings screen FrmPort: the ten device frames, what
// "Test", "종료" and closing apply, and the loop test of one port.
namespace tolvo {

struct Station;

struct PortFrame {
    const char* caption;
    const char* table;
    int useCheck;            // index of the frame's in-use box in Check1
    const char* modelField;  // 기종, or 기종코드 for the fee calculator
    QStringList models;      // in list order
    bool gate;               // has the gate control list
};
// By port index.
const std::array<PortFrame, 10>& PortFrames();

// Gate model list position to model code: positions 4 and 5 are swapped.
std::optional<quint8> GateCodeOfPosition(int position);

// What a frame's controls hold: the model list position (-1 no selection)
// and the other fields to store (only those whose control has a value).
struct FrameEdit {
    int model = -1;
    QVariantMap fields;
};
using FrameEdits = std::array<FrameEdit, 10>;

// The first row of each device table, field name to value (empty when missing).
std::array<QVariantMap, 10> ReadPortRows(Station& st);
// Stores the ten frames in one transaction. Throws DbError.
void WritePortRows(Station& st, const FrameEdits& edits);

class PortSettingsLogic {
public:
    explicit PortSettingsLogic(Station& st);

    // Mode choice: true for "출구판독기". The system table is written by "종료" only.
    void chooseMode(bool exitReader);
    bool exitReaderMode() const { return m_exitReader; }

    void test(const FrameEdits& edits);     // "Test"
    void finish(const FrameEdits& edits);   // "종료", before the screen closes
    void close(const FrameEdits& edits);    // every way of closing
    void loopTest(const FrameEdits& edits, int port); // "Feed Back"
    bool running() const { return m_running; }

    std::function<void(const QString&)> onStatus; // LblStatus
    std::function<void(bool busy)> onPointer;     // hourglass on and off

private:
    bool store(const FrameEdits& edits);
    void reopenPorts();
    void pointer(bool busy);
    void status(const QString& text);

    Station& m_st;
    const bool m_exitReaderAtOpen;
    bool m_exitReader;
    bool m_finished = false;
    bool m_running = false;
};

// "전송횟수 : 001 성공횟수 : 001 실패횟수 : 000"
QString LoopTestStatus(int sent, int successes);

} // namespace tolvo
