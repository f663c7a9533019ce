#pragma once

#include "platform/Ini.h"

#include <QString>
#include <QtGlobal>

namespace tolvo {

struct Station;

// The one section of the settings file.
inline const QString kIniSection = QStringLiteral("시스템");

// "Tolvo.ini" in the program folder.
QString IniPathIn(const QString& appPath);

// The settings file named by the station's IniPath.
QString Read_Ini(const Station& st, const QString& section, const QString& key, const QString& def);
void Write_Ini(const Station& st, const QString& section, const QString& key, const QString& value);
void Write_IniCounter(const Station& st, const QString& section, const QString& key, const QString& value);

// Conversions of the settings texts. A value that cannot be converted, or that the
// station cannot work with, gives the key's default instead of stopping the start-up.
// TransTime and PollTime of 0 take the default: the one-second timer divides by them.
quint8 ByteSetting(const QString& text, quint8 def, bool zeroAllowed);
qint32 CountSetting(const QString& text, qint32 def);   // the number's value, 32-bit
qint16 ShortSetting(const QString& text, qint16 def);   // the number's value, 16-bit
qint16 MinutesSetting(const QString& text, qint16 def); // the same from leading digits only, else 0
qint32 WholeTextSetting(const QString& text, qint32 def); // the whole text, 32-bit
float SecondsSetting(const QString& text, float def);
// A count shown on a label: plain decimal text, a minus sign when negative.
QString CountText(double value);

// The start-up's reads, in its order: first the eight keys from 정기권운영 to 위반인쇄,
// then (once the main screen exists) the car counters CarCnt_0..CarCnt_6, then
// 자료기록, 메세지출력, 입차열림 and 출차열림. The station's IniPath must be set.
void Load_StartupSettings(Station& st);
void Load_CarCounters(Station& st);
void Load_RecordSettings(Station& st);

} // namespace tolvo
