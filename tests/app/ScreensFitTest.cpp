// Every screen of the program on the booth display (1024x768, the main
// window's own size): it fits, each control can be brought into view, and a
// click on a text field puts the focus there.

#include "common/AppRig.h"
#include "common/ScreenProbe.h"
#include "database/FrmDbase.h"
#include "equipment/EquipmentScreens.h"
#include "equipment/FrmTest.h"
#include "fee/FrmFee.h"
#include "fee/FrmKey.h"
#include "host/Search.h"
#include "season/BingList.h"
#include "season/FrmJung.h"
#include "season/JungList.h"
#include "season/ListScreens.h"
#include "serial/FrmDebug.h"
#include "serial/FrmPort.h"
#include "settlement/Jungsan.h"
#include "station/FrmLogin.h"
#include "station/FrmPrint.h"
#include "station/FrmWorkMan.h"
#include "widgets/FrmAbout.h"
#include "widgets/KeyCapture.h"
#include "widgets/QtMessages.h"

#include <QMessageBox>
#include <functional>
#include <memory>

namespace tolvo {
namespace {

using Check = std::function<void(QWidget&)>;

struct ScreenCase {
    const char* name;
    // Opens the screen and runs the check on it while it is shown.
    std::function<void(test::AppRig&, const Check&)> open;
};

// A screen whose class the program keeps to itself: shown modally through its
// Show function, checked and closed from inside its own event loop.
std::function<void(test::AppRig&, const Check&)> modal(std::function<void(Station&)> show)
{
    return [show](test::AppRig& app, const Check& check) {
        bool seen = false;
        QObject scope; // no looking on once this screen has had its turn
        test::WhenModal(QString(), [&](QWidget& w) {
            auto* dialog = qobject_cast<QDialog*>(&w);
            if (!dialog) return test::GiveUpOnModals("no dialog: " + w.objectName().toStdString());
            seen = true;
            check(*dialog);
            dialog->done(QDialog::Rejected);
        }, &scope);
        show(app.st);
        EXPECT_TRUE(seen) << "no modal screen came up";
    };
}

template <class Screen>
std::function<void(test::AppRig&, const Check&)> direct(std::function<std::unique_ptr<Screen>(Station&)> make)
{
    return [make](test::AppRig& app, const Check& check) {
        const std::unique_ptr<Screen> screen = make(app.st);
        test::ShowActive(*screen);
        check(*screen);
    };
}

template <class Screen>
std::function<void(test::AppRig&, const Check&)> plain()
{
    return direct<Screen>([](Station& st) { return std::make_unique<Screen>(st); });
}

// The text fields of a screen that a click does not give the focus to.
QStringList FieldsDeafToClicks(QWidget& screen)
{
    QStringList out;
    for (QLineEdit* edit : screen.findChildren<QLineEdit*>()) {
        if (!edit->isVisibleTo(&screen) || !edit->isEnabled() || test::IsPartOfComposite(edit, &screen)) continue;
        test::ClickThroughWindow(edit);
        if (screen.focusWidget() != edit) out << edit->objectName();
    }
    return out;
}

const ScreenCase kScreens[] = {
    {"main screen",
     [](test::AppRig& app, const Check& check) {
         test::ShowActive(app.window);
         check(app.window);
         app.window.hide();
     }},
    {"login", direct<FrmSplash>([](Station& st) { return std::make_unique<FrmSplash>(st, [] {}, [](int) {}); })},
    {"worker change", plain<FrmLogin>()},
    {"tariff", plain<FrmFee>()},
    {"keys", plain<FrmKey>()},
    {"key capture", direct<KeyCaptureDialog>([](Station& st) { return std::make_unique<KeyCaptureDialog>(&st.Db); })},
    {"port settings", plain<FrmPort>()},
    {"equipment test", direct<FrmTest>([](Station& st) { return std::make_unique<FrmTest>(st, EquipmentLinks{}); })},
    {"trace", plain<FrmDebug>()},
    {"workers", plain<FrmWorkMan>()},
    {"print options", plain<FrmPrint>()},
    {"database", plain<FrmDbase>()},
    {"settlement", plain<Jungsan>()},
    {"season register", plain<FrmJung>()},
    {"general tickets list", plain<FrmIlList>()},
    {"season passages list", plain<FrmJioList>()},
    {"refused passages list", plain<FrmBList>()},
    {"season ledger", direct<FrmJungList>([](Station& st) { return std::make_unique<FrmJungList>(st, JungListKind::Ledger); })},
    {"expired seasons", direct<FrmJungList>([](Station& st) { return std::make_unique<FrmJungList>(st, JungListKind::Expired); })},
    {"cancelled exits", plain<BingList>()},
    {"ticket stock", modal([](Station& st) { ShowFrmTDCnt(st); })},
    {"dispenser settings", modal([](Station& st) { ShowFrmTD(st); })},
    {"dispenser guidance", modal([](Station& st) { ShowFrmInfom(st, nullptr); })},
    {"exit reader", modal([](Station& st) { ShowFrmOutRd(st); })},
    {"about", direct<FrmAbout>([](Station& st) { return std::make_unique<FrmAbout>(&st.Db); })},
    {"search", plain<Search>()},
    {"ticket entry", direct<FrmInput>([](Station& st) {
         return std::make_unique<FrmInput>(QStringLiteral("1234"), st.clock);
     })},
    {"message", direct<MsgBoxForm>([](Station& st) {
         return std::make_unique<MsgBoxForm>(QStringLiteral("통신포트 설정에 이상이 있습니다."), QStringLiteral("Tarvola"), &st.Db);
     })},
    {"confirmation", direct<MBoxForm>([](Station& st) {
         return std::make_unique<MBoxForm>(QStringLiteral("프로그램을 종료하시겠습니까?"), QStringLiteral("Tarvola"),
                                           QStringLiteral("확 인"), &st.Db);
     })},
    {"administrator password", direct<DialogMForm>([](Station& st) { return std::make_unique<DialogMForm>(&st.Db); })},
    {"system message", direct<QMessageBox>([](Station&) {
         return std::unique_ptr<QMessageBox>(BuildSystemMessageBox(QStringLiteral("자료를 삭제하시겠습니까?"), 4,
                                                                   QStringLiteral("Tarvola")));
     })},
};

void PrintTo(const ScreenCase& c, std::ostream* os) { *os << c.name; }

class ScreensFit : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(ScreensFit, OnTheBoothDisplay)
{
    test::AppRig app(QDateTime(QDate(2026, 3, 10), QTime(9, 0)));
    app.startUp();
    bool checked = false;
    GetParam().open(app, [&](QWidget& screen) {
        checked = true;
        const QSize size = screen.size();
        EXPECT_LE(size.width(), test::kBoothDisplay.width()) << screen.objectName().toStdString();
        EXPECT_LE(size.height() + test::kTitleBar, test::kBoothDisplay.height()) << screen.objectName().toStdString();
        EXPECT_EQ(test::UnreachableControls(screen).join(u' ').toStdString(), "");
        EXPECT_EQ(FieldsDeafToClicks(screen).join(u' ').toStdString(), "");
    });
    EXPECT_TRUE(checked);
}

INSTANTIATE_TEST_SUITE_P(Every, ScreensFit, ::testing::ValuesIn(kScreens), [](const auto& info) {
    std::string out;
    for (const char ch : std::string(info.param.name)) out += ch == ' ' ? '_' : ch;
    return out;
});

} // namespace
} // namespace tolvo
