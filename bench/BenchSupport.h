#pragma once

#include "core/Station.h"
#include "database/DBase.h"

#include <QString>

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

} // namespace tolvo::bench
