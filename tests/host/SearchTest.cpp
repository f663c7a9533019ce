// The search screen: the request frame each button writes to the host port.
#include "common/TestStation.h"
#include "host/Search.h"
#include "serial/FakeComm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

struct SearchCase {
    const char* name;
    const char* button;
    const char* box;
    QString typed;
    int clicks;
    bool open;           // the host port
    QByteArray expected; // everything written to the port
};

TEST(Search, EachButtonSendsItsRequest)
{
    const QByteArray empty = "\x02TAG_SEARCH               \x03";
    const SearchCase cases[] = {
        {"empty tag box: 15 blanks", "TAGSearch", "Text1", QString(), 1, true, empty},
        {"tag cut after 15", "TAGSearch", "Text1", QStringLiteral("12345678901234567"), 1, true,
         "\x02TAG_SEARCH123456789012345\x03"},
        {"car number with Korean, two bytes each", "Command1", "Text2", QStringLiteral("12가3456"), 1, true,
         "\x02" "CAR_SEARCH12\xB0\xA1" "3456        \x03"},
        {"pressed twice sends twice", "TAGSearch", "Text1", QString(), 2, true, empty + empty},
        {"closed port: nothing sent, still waiting", "Command1", "Text2", QStringLiteral("12가3456"), 1, false, {}},
    };
    for (const auto& c : cases) {
        test::TestStation ts;
        FakeComm fake = InstallFakeComm(ts.st);
        if (c.open) {
            ASSERT_TRUE(ts.st.comm->openPort(PortHost, QStringLiteral("/dev/host"), SerialSettings{}));
        }
        Search form(ts.st);
        form.findChild<QLineEdit*>(QString::fromLatin1(c.box))->setText(c.typed);
        for (int i = 0; i < c.clicks; ++i)
            QTest::mouseClick(form.findChild<QPushButton*>(QString::fromLatin1(c.button)), Qt::LeftButton);
        EXPECT_EQ(fake.ports->device(QStringLiteral("/dev/host")).written(), c.expected) << c.name;
        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                  QStringLiteral("잠시만 기다리세요 검색중입니다.....")) << c.name;
    }
}

} // namespace
