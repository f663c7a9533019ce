#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The model texts stored in the device tables and the codes they stand for.
// A text in no list gives no code: the caller then leaves its code unchanged.
// The *Models() lists are in the order the port settings screen offers them.
namespace tolvo::models {

// 발권기.기종: "바코드" 0, "M/S (종이)" 1, "M/S (재활용)" 2, "WISE" 3, "TD_TYPE1" 4.
QStringList DispenserModels();
std::optional<quint8> DispenserCode(const QString& text);

// 기종 of the four season gates. Screen order differs from the codes:
// "ID Tech" 0, "TAG Master" 1, "Remocon(T)" 2, "Remocon(N)" 3, "PET_CARD" 4,
// "HOST PASS" 5, "FIRSTECH" 6, "CREDIPASS" 7, "리츠앤A" 8, "리츠앤B" 9.
QStringList SeasonReaderModels();
std::optional<quint8> SeasonReaderCode(const QString& text);

// 영수증프린터.기종: printer codes 1, 2, 3, 4, 5, 5.
QStringList PrinterModels();
std::optional<quint8> PrinterCode(const QString& text);

// 리더기.기종: "ZP-2000", "Encoding Only".
QStringList ReaderModels();
bool ReaderEncodingOnly(const QString& text);

// 요금표시기.기종 (inner blanks are part of the texts): "VELDAMOR" 0, "KIS    TYPE" 1,
// "BEST TYPE" 2, "PLUS TYPE" 3, "VD0   TYPE" 4.
QStringList FeeDisplayModels();
std::optional<quint8> FeeDisplayCode(const QString& text);

// 호스트.기종: "시간수신함" lets the host set the clock; anything else does not.
QStringList HostModels();
bool HostSendsTime(const QString& text);

// 요금계산기.기종코드: "POS1".."POS6" give POS code 0..5.
QStringList PosModels();
std::optional<quint8> PosCode(const QString& text);

// Gate제어 of the season gates, in the settings screen's order.
QStringList GateControls();

} // namespace tolvo::models
