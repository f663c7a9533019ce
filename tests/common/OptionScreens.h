#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace tolvo::test {

// The option screens' check boxes (Check1_i) and text boxes (TxtN).
inline QCheckBox* check(QWidget& w, int index)
{
    auto* c = w.findChild<QCheckBox*>(QStringLiteral("Check1_%1").arg(index));
    EXPECT_NE(c, nullptr) << index;
    return c;
}

inline QLineEdit* txt(QWidget& w, int n) { return w.findChild<QLineEdit*>(QStringLiteral("Txt%1").arg(n)); }

} // namespace tolvo::test
