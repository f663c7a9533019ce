#include "widgets/FormMode.h"

#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

using namespace tolvo;

// A form sized only by its layout is centred before its first show, as the screens are.
TEST(CentreOnScreen, LayoutSizedFormIsCentredWhenShown)
{
    QWidget form;
    auto* inside = new QLabel(QStringLiteral("포트설정"), &form);
    inside->setFixedSize(420, 300);
    (new QVBoxLayout(&form))->addWidget(inside);
    CentreOnScreen(form);
    form.show();
    const QPoint screenCentre = form.screen()->geometry().center();
    const QPoint formCentre = form.frameGeometry().center();
    EXPECT_LE((formCentre - screenCentre).manhattanLength(), 4)
        << "form centre " << formCentre.x() << "," << formCentre.y();
}
