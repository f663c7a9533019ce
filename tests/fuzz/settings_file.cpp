// The settings file as the station reads it, and a write over whatever it held.
#include "core/SettingsFile.h"
#include "fuzz/FuzzStation.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto& f = tolvo::fuzz::Shared();
    {
        QFile ini(f.st.IniPath);
        if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        ini.write(tolvo::fuzz::Bytes(data, size));
    }
    const QString before = tolvo::Read_Ini(f.st, tolvo::kIniSection, QStringLiteral("일반"), QStringLiteral("0"));
    tolvo::CountSetting(before, 0);
    tolvo::SecondsSetting(before, 1.0f);
    tolvo::Write_Ini(f.st, tolvo::kIniSection, QStringLiteral("일반"), QStringLiteral("7"));
    const QString after = tolvo::Read_Ini(f.st, tolvo::kIniSection, QStringLiteral("일반"), QStringLiteral("0"));
    tolvo::fuzz::Require(after == QStringLiteral("7"), "a value written reads back, whatever the file held");
    return 0;
}
