#include "widgets/FormMode.h"

#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <gtest/gtest.h>

// A form sized only by its layout is centred before its first show, as the screens are.
TEST(CentreOnScreen, LayoutSizedFormIsCentredWhenShown)
{
    QWidget form;
    (new QVBoxLayout(&form))->addWidget(new QLabel(QStringLiteral("포트설정"), &form));
    form.findChild<QLabel*>()->setFixedSize(420, 300);
    tolvo::CentreOnScreen(form);
    form.show();
    EXPECT_LE((form.frameGeometry().center() - form.screen()->geometry().center()).manhattanLength(), 4);
}
