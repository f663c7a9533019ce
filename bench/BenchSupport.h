#pragma once

#include "core/RecordingMainScreen.h"
#include "core/Station.h"
#include "database/DBase.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace tolvo::bench {

// Makes the program folder's files and opens a new live database in it, as the
// start-up does before any compaction.
inline void OpenNewDatabase(Station& st, const QString& folder)
{
    st.AppPath = folder;
    st.IniPath = folder + QStringLiteral("/Tolvo.ini");
    DBase::SetFolders(st);
    DBase::DataBase_Check(st);
    DBase::DataBase_Open(st);
}

// A station of its own on a new live database in a temporary program folder.
struct NewStation {
    QTemporaryDir dir;
    ManualClock clock;
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st{clock, msgs, screen};

    explicit NewStation(const QDateTime& now) : clock(now) { OpenNewDatabase(st, dir.path()); }
    NewStation(const NewStation&) = delete;
    NewStation& operator=(const NewStation&) = delete;
};

// The main of a benchmark program: App is QCoreApplication, or QApplication
// (offscreen) for one that makes screens.
template <typename App> int RunBenchmarks(int argc, char** argv, bool offscreen = false)
{
    if (offscreen) qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace tolvo::bench
