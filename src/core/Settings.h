#pragma once

#include <QString>
#include <QtGlobal>

namespace tolvo {

// Copies of the settings-file keys the station works with after start-up.
struct Settings {
    QString SeasonMode = QStringLiteral("3");
    QString CardEncoding = QStringLiteral("1");
    qint32 TicketsLeft = 0;
    float PauseTime = 0.5f;
    quint8 TransTime = 5;
    quint8 TDPoll = 0;
    quint8 PollTime = 1;
    bool ViolationPrint = false;
    bool KeepRecords = false;
    bool ExitCancelNotice = false;
    qint16 MsgLevel = 0;
    qint32 InOpenCount = 0;
    qint32 OutOpenCount = 0;
    bool AntiPassBack = false;
};

} // namespace tolvo
