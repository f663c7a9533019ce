#pragma once

#include "common/TestStation.h"
#include "core/Sql.h"
#include "platform/Cp949.h"
#include "serial/FakeComm.h"

#include <QFile>

namespace tolvo::test {

// The receipt printer is the day file: sets it up, and reads back the title
// and the row lines of the last printout, "|"-joined, then removes the file.
inline FakeComm PrintToDayFile(TestStation& ts)
{
    Exec(ts.st.Db, "UPDATE 영수증프린터 SET PORT = 'FILE', 기종 = 'TM-T88', 사용여부 = 1");
    Exec(ts.st.Db, "UPDATE 인쇄옵션 SET 상호 = '한빛주차장', 주소 = '서울', 사업자번호 = '1'");
    return InstallFakeComm(ts.st);
}
inline QString PrintedTitleAndRows(TestStation& ts)
{
    QFile f(ts.st.DataPath + ts.st.clock.now().date().toString("yyyy-MM-dd") + ".txt");
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QStringList lines = cp949::decode(f.readAll()).split("\r\n");
    f.remove();
    QStringList out;
    int rules = 0; // the rows stand between the second rule and the next empty line
    for (const QString& l : lines) {
        if (out.isEmpty()) {
            if (!l.isEmpty()) out << l;
        } else if (l == QString(40, '-') || l == QString(40, '=')) {
            ++rules;
        } else if (rules == 2) {
            if (l.isEmpty()) break;
            out << l;
        }
    }
    return out.join('|');
}

} // namespace tolvo::test
