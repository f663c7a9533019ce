#include "common/TestStation.h"
#include "station/FrmLogin.h"
#include "station/FrmWorkMan.h"
#include "widgets/QtMessages.h"

#include <QLineEdit>
#include <QStyle>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

// A password box shows "*" for each character, like the login's box.
TEST(PasswordMask, PasswordBoxesShowStars)
{
    using Make = std::function<std::unique_ptr<QWidget>(tolvo::Station&)>;
    struct Row { const char* screen; const char* box; Make make; };
    const Row rows[] = {
        {"workers", "Txt11", [](tolvo::Station& st) { return std::make_unique<tolvo::FrmWorkMan>(st); }},
        {"worker change", "txtPassword", [](tolvo::Station& st) { return std::make_unique<tolvo::FrmLogin>(st); }},
        {"administrator password", "Text1",
         [](tolvo::Station& st) { return std::make_unique<tolvo::DialogMForm>(&st.Db); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.screen);
        tolvo::test::TestStation ts;
        const std::unique_ptr<QWidget> form = r.make(ts.st);
        auto* box = form->findChild<QLineEdit*>(QString::fromLatin1(r.box));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box), int('*'));
    }
}
