#include "station/MainWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

QWidget* Control(const MainWindow& w, const QString& name) { return w.findChild<QWidget*>(name); }

int MiddleY(const MainWindow& w, const QString& name)
{
    const QWidget* c = Control(w, name);
    return c ? c->mapTo(&w, c->rect().center()).y() : -1;
}

} // namespace

// Each fee-panel value stands on the row of its caption: the ticket number
// beside " 발권번호", the exit time beside " 출차일시", and so on; the ticket box
// stands beside the mode caption.
TEST(FeePanelLayout, EachValueBesideItsCaption)
{
    MainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    ASSERT_TRUE(Control(w, QStringLiteral("TNum")));
    EXPECT_NEAR(MiddleY(w, QStringLiteral("TNum")), MiddleY(w, QStringLiteral("POut_0")), 4);
    for (int i = 1; i <= 6; ++i) {
        const QString value = QStringLiteral("LOut_%1").arg(i);
        const QString caption = QStringLiteral("POut_%1").arg(i);
        ASSERT_TRUE(Control(w, value)) << value.toStdString();
        ASSERT_TRUE(Control(w, caption)) << caption.toStdString();
        EXPECT_NEAR(MiddleY(w, value), MiddleY(w, caption), 4) << value.toStdString() << " is not beside "
                                                                << caption.toStdString();
    }
}

// The mode caption's value label carries only the panel colour; it must not
// cover the ticket box, which the worker clicks into.
TEST(FeePanelLayout, TicketBoxIsNotCovered)
{
    MainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QWidget* tnum = Control(w, QStringLiteral("TNum"));
    ASSERT_TRUE(tnum);
    const QPoint middle = tnum->mapTo(&w, tnum->rect().center());
    EXPECT_EQ(w.childAt(middle), tnum);
}
