#include "database/ModelCodes.h"

#include <utility>
#include <vector>

namespace tolvo::models {

namespace {

using CodeList = std::vector<std::pair<const char*, quint8>>;

std::optional<quint8> Lookup(const CodeList& list, const QString& text)
{
    for (const auto& [t, code] : list)
        if (text == QString::fromUtf8(t)) return code;
    return std::nullopt;
}

QStringList Texts(const CodeList& list)
{
    QStringList out;
    for (const auto& entry : list) out << QString::fromUtf8(entry.first);
    return out;
}

const CodeList& Dispensers()
{
    static const CodeList l{{"바코드", 0}, {"M/S (종이)", 1}, {"M/S (재활용)", 2}, {"WISE", 3}, {"TD_TYPE1", 4}};
    return l;
}

// In screen order, each with its code.
const CodeList& SeasonReaders()
{
    static const CodeList l{{"ID Tech", 0},   {"TAG Master", 1}, {"Remocon(T)", 2}, {"Remocon(N)", 3},
                            {"HOST PASS", 5}, {"PET_CARD", 4},   {"FIRSTECH", 6},   {"CREDIPASS", 7},
                            {"리츠앤A", 8},   {"리츠앤B", 9}};
    return l;
}

const CodeList& Printers()
{
    static const CodeList l{{"CBM-720", 1}, {"CP-300", 2}, {"TM-300", 3}, {"STAR-300", 4}, {"TM-T88", 5}, {"WRP-100P", 5}};
    return l;
}

const CodeList& FeeDisplays()
{
    static const CodeList l{{"VELDAMOR", 0}, {"KIS    TYPE", 1}, {"BEST TYPE", 2}, {"PLUS TYPE", 3}, {"VD0   TYPE", 4}};
    return l;
}

const CodeList& PosCodes()
{
    static const CodeList l{{"POS1", 0}, {"POS2", 1}, {"POS3", 2}, {"POS4", 3}, {"POS5", 4}, {"POS6", 5}};
    return l;
}

} // namespace

QStringList DispenserModels() { return Texts(Dispensers()); }
std::optional<quint8> DispenserCode(const QString& text) { return Lookup(Dispensers(), text); }

QStringList SeasonReaderModels() { return Texts(SeasonReaders()); }
std::optional<quint8> SeasonReaderCode(const QString& text) { return Lookup(SeasonReaders(), text); }

QStringList PrinterModels() { return Texts(Printers()); }
std::optional<quint8> PrinterCode(const QString& text) { return Lookup(Printers(), text); }

QStringList ReaderModels() { return {QStringLiteral("ZP-2000"), QStringLiteral("Encoding Only")}; }
bool ReaderEncodingOnly(const QString& text) { return text == QLatin1String("Encoding Only"); }

QStringList FeeDisplayModels() { return Texts(FeeDisplays()); }
std::optional<quint8> FeeDisplayCode(const QString& text) { return Lookup(FeeDisplays(), text); }

QStringList HostModels() { return {QStringLiteral("시간수신함"), QStringLiteral("시간수신안함")}; }
bool HostSendsTime(const QString& text) { return text == QStringLiteral("시간수신함"); }

QStringList PosModels() { return Texts(PosCodes()); }
std::optional<quint8> PosCode(const QString& text) { return Lookup(PosCodes(), text); }

QStringList GateControls()
{
    return {QStringLiteral("요금표시기"),        QStringLiteral("요금표시기(RTS)"),   QStringLiteral("요금표시기(DTR)"),
            QStringLiteral("요금표시기(PLUS)"),  QStringLiteral("자체콘트롤러"),      QStringLiteral("주차권발행기"),
            QStringLiteral("정기권입구1(RTS)"),  QStringLiteral("정기권입구1(DTR)"),  QStringLiteral("정기권출구1(RTS)"),
            QStringLiteral("정기권출구1(DTR)"),  QStringLiteral("정기권입구2(RTS)"),  QStringLiteral("정기권입구2(DTR)"),
            QStringLiteral("정기권출구2(RTS)"),  QStringLiteral("정기권출구2(DTR)"),  QStringLiteral("정기권입구1(PLUS)"),
            QStringLiteral("정기권출구1(PLUS)"), QStringLiteral("정기권입구2(PLUS)"), QStringLiteral("정기권출구2(PLUS)")};
}

} // namespace tolvo::models
