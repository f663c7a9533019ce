#include "fee/DiscountKeys.h"

#include "platform/Vb.h"
#include "core/Station.h"

#include <QSqlError>
#include <QSqlQuery>
#include <stdexcept>

namespace tolvo {

namespace {

quint8 byteOf(const QVariant& v)
{
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok || n < 0 || n > 255) throw Overflow("할인키 코드가 0..255 범위를 벗어났습니다.");
    return static_cast<quint8>(n);
}

} // namespace

void Load_DiscountKeys(Station& st)
{
    QSqlQuery q(st.Db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral(
            "SELECT 키코드1, 키코드2 FROM 할인키 WHERE 사용여부 <> 0 ORDER BY 키코드2, 키코드1")))
        throw std::runtime_error(q.lastError().text().toStdString());
    DiscountKeys keys;
    keys.DiscKeyCode1.clear();
    keys.DiscKeyCode2.clear();
    while (q.next()) {
        if (keys.DiscKeyCode1.size() == 256) throw Overflow("할인키가 256개를 넘습니다.");
        keys.DiscKeyCode1.push_back(byteOf(q.value(0)));
        keys.DiscKeyCode2.push_back(byteOf(q.value(1)));
    }
    if (keys.DiscKeyCode1.empty()) {
        keys.DiscKeyCode1.push_back(0);
        keys.DiscKeyCode2.push_back(0);
    }
    keys.DiscKeyState.assign(keys.DiscKeyCode1.size(), 0);
    keys.DiscKeyCount = static_cast<quint8>(keys.DiscKeyCode1.size() - 1);
    st.discKeys = std::move(keys);
}

void Reset_DiscKeyState(Station& st)
{
    DiscountKeys& k = st.discKeys;
    std::fill(k.DiscKeyState.begin(), k.DiscKeyState.end(), quint8{0});
    k.DiscComboUsed = false;
}

} // namespace tolvo
