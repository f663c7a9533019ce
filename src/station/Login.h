#pragma once

#include "core/WorkerRights.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

namespace tolvo {

struct Station;

inline const QString kWrongPassword = QStringLiteral("비밀번호가 틀림니다. 확인하십시요");

// What the password box's screen shows after a change of the box.
struct LookupView {
    enum class Outcome { Incomplete, Wrong, Found };
    Outcome outcome = Outcome::Incomplete;
    QString lblName;          // set when not empty
    QString lblLog;           // set when not empty
    bool clearBox = false;    // empty the box (without running the lookup again)
    QString putInBox;         // text to put in the box (without running the lookup again)
    bool okEnabled = false;   // OK is disabled by every change and enabled by a found worker
    bool focusNext = false;   // move the focus on, so that Enter presses OK
};

// Model code tables: the code of a model text, or nothing for a text in no list.
std::optional<quint8> FeeDisplayCode(const QString& model);
std::optional<quint8> SeasonReaderCode(const QString& model);
std::optional<quint8> DispenserCode(const QString& model);
std::optional<quint8> PosCodeOf(const QString& model);
// TNum's maximum length and MnuTDTime's caption for a dispenser code.
int DispenserTNumLength(quint8 code);
QString DispenserTimeMenuCaption(quint8 code);
// 발권기.Unit_No with the format "00": a number gets at least two digits, other texts stay;
// Null or empty gives "00".
QString FormatUnitNo(const QVariant& unitNo);

// Reads the model codes and options of every device table into st.models
// (codes of texts in no list stay as they were), with TNum's length and the
// dispenser menu caption on the main screen.
void Load_DeviceModels(Station& st);

// The start-up screen's login: the lookup on every change of the box and the
// start of work on OK. The worker found by the lookup is the one OK starts.
class LoginSession {
public:
    explicit LoginSession(Station& st) : m_st(st) {}

    // A change of the password box (maximum length 6).
    LookupView passwordChanged(const QString& text);
    const std::optional<WorkerRow>& found() const { return m_found; }

    // OK: the start of work, in order. Throws on a database failure; the
    // caller reports it. Requires found().
    void startOfWork();

    // The season gates' settings loader (Load_GateCtl), run before the discount keys.
    std::function<void(Station&)> onLoadGateSettings;

private:
    LookupView makerLookup();
    LookupView ordinaryLookup(const QString& password);

    Station& m_st;
    std::optional<WorkerRow> m_found;
};

// The worker change form's lookup: no access code; an unknown password only
// empties the box. A found worker becomes the current worker with its rights.
LookupView WorkerChange_Lookup(Station& st, const QString& text);

// " 근무자명:      " and the name, as both login forms show it.
QString WorkerNameLabel(const QString& name);

} // namespace tolvo
