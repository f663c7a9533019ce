#include "core/SettingsFile.h"

#include "platform/Vb.h"
#include "core/Station.h"

#include <cmath>

namespace tolvo {

namespace {

QString readKey(const Station& st, const char* key, const char* def)
{
    return Read_Ini(st.IniPath, kIniSection, QString::fromUtf8(key), QString::fromUtf8(def));
}

QString carCnt(int i) { return QStringLiteral("CarCnt_") + QString::number(i); }

} // namespace

QString IniPathIn(const QString& appPath) { return appPath + QStringLiteral("/Tolvo.ini"); }

QString Read_Ini(const Station& st, const QString& section, const QString& key, const QString& def)
{
    return Read_Ini(st.IniPath, section, key, def);
}

void Write_Ini(const Station& st, const QString& section, const QString& key, const QString& value)
{
    Write_Ini(st.IniPath, section, key, value);
}

void Write_IniCounter(const Station& st, const QString& section, const QString& key, const QString& value)
{
    Write_IniCounter(st.IniPath, section, key, value);
}

quint8 ByteSetting(const QString& text, quint8 def, bool zeroAllowed)
{
    try {
        const quint8 v = CByte(Val(text));
        return (v == 0 && !zeroAllowed) ? def : v;
    } catch (const Overflow&) {
        return def;
    }
}

qint32 CountSetting(const QString& text, qint32 def)
{
    try {
        return CLng(Val(text));
    } catch (const Overflow&) {
        return def;
    }
}

qint16 ShortSetting(const QString& text, qint16 def)
{
    try {
        return CInt(Val(text));
    } catch (const Overflow&) {
        return def;
    }
}

qint16 MinutesSetting(const QString& text, qint16 def)
{
    // A sign is not a digit: "-5" gives 0 like any text without leading digits.
    const QString t = text.trimmed();
    if (t.isEmpty() || t.front() < QLatin1Char('0') || t.front() > QLatin1Char('9')) return 0;
    return ShortSetting(t, def);
}

qint32 WholeTextSetting(const QString& text, qint32 def)
{
    try {
        return CLngText(text);
    } catch (const std::exception&) {
        return def;
    }
}

float SecondsSetting(const QString& text, float def)
{
    const float v = static_cast<float>(Val(text));
    return std::isfinite(v) ? v : def;
}

QString CountText(double value)
{
    if (std::abs(value) < 1e15 && value == std::trunc(value))
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

void Load_StartupSettings(Station& st)
{
    Settings& s = st.settings;
    s.SeasonMode = readKey(st, "정기권운영", "3");
    s.CardEncoding = readKey(st, "CardEncoding", "1");
    s.TicketsLeft = CountSetting(readKey(st, "잔여티켓매수", "0"), 0);
    s.PauseTime = SecondsSetting(readKey(st, "PauseTime", "0.5"), 0.5f);
    s.TransTime = ByteSetting(readKey(st, "TransTime", "5"), 5, false);
    s.TDPoll = ByteSetting(readKey(st, "TD_Poll", "0"), 0, true);
    s.PollTime = ByteSetting(readKey(st, "PollTime", "1"), 1, false);
    s.ViolationPrint = readKey(st, "위반인쇄", "False") == QStringLiteral("True");
}

void Load_CarCounters(Station& st)
{
    MainScreen& screen = st.screen;
    const auto number = [&](int i) { return Val(screen.text(carCnt(i))); };
    screen.setText(carCnt(0), readKey(st, "일반권입차수", "0"));
    screen.setText(carCnt(1), readKey(st, "일반권출차수", "0"));
    screen.setText(carCnt(2), CountText(number(0) - number(1)));
    screen.setText(carCnt(3), readKey(st, "정기권입차수", "0"));
    screen.setText(carCnt(4), readKey(st, "정기권출차수", "0"));
    screen.setText(carCnt(5), CountText(number(3) - number(4)));
    screen.setText(carCnt(6), CountText(number(2) + number(5)));
}

void Load_RecordSettings(Station& st)
{
    Settings& s = st.settings;
    s.KeepRecords = readKey(st, "자료기록", "0") == QStringLiteral("1");
    const QString notice = readKey(st, "메세지출력", "0");
    s.ExitCancelNotice = notice == QStringLiteral("1");
    s.MsgLevel = MinutesSetting(notice, 0);
    s.InOpenCount = WholeTextSetting(readKey(st, "입차열림", "0"), 0);
    s.OutOpenCount = WholeTextSetting(readKey(st, "출차열림", "0"), 0);
}

} // namespace tolvo
