#include "common/ModalMessages.h"
#include "common/TestStation.h"
#include "core/Sql.h"
#include "widgets/FrmAbout.h"
#include "widgets/QtMessages.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

void setAdminPassword(TestStation& ts, const QVariant& pw)
{
    Exec(ts.st.Db, QStringLiteral("UPDATE 근무자관리 SET 비밀번호 = ? WHERE 근무자코드 = 0"), {pw});
}

QPushButton* button(QWidget& w, const char* name)
{
    auto* b = w.findChild<QPushButton*>(QString::fromLatin1(name));
    EXPECT_NE(b, nullptr) << name;
    return b;
}

} // namespace

TEST(DialogsPasswordCheck, AdministratorAndMakerCodes)
{
    enum Setup { Password123456, NullPassword, NoAdministratorRow, NoTable, ClosedDatabase };
    struct Row { Setup setup; const char* typed; int result; };
    const Row rows[] = {
        {Password123456, "123456", 1},
        {Password123456, "QMRTX7", 1},  // the maker's code although the administrator's differs
        {Password123456, "qmrtx7", 2},  // letter case counts
        {Password123456, "12345", 2}, {Password123456, "1234567", 2}, {Password123456, "", 2},
        {Password123456, "654321", 2},
        {NullPassword, "", 2}, {NullPassword, "QMRTX7", 1},
        {NoAdministratorRow, "123456", 2}, {NoAdministratorRow, "QMRTX7", 1},
        {NoTable, "123456", 2}, {ClosedDatabase, "123456", 2}, {ClosedDatabase, "QMRTX7", 1},
    };
    for (const Row& r : rows) {
        TestStation ts;
        setAdminPassword(ts, r.setup == NullPassword ? QVariant() : QVariant(QStringLiteral("123456")));
        if (r.setup == NoAdministratorRow) Exec(ts.st.Db, QStringLiteral("DELETE FROM 근무자관리 WHERE 근무자코드 = 0"));
        if (r.setup == NoTable) Exec(ts.st.Db, QStringLiteral("DROP TABLE 근무자관리"));
        const QSqlDatabase db = r.setup == ClosedDatabase ? QSqlDatabase() : ts.st.Db;
        EXPECT_EQ(CheckAdminPassword(db, QString::fromUtf8(r.typed)), r.result) << r.setup << " " << r.typed;
    }
}

TEST(DialogsDialogM, FormTextsAndWrongWhileOpen)
{
    TestStation ts;
    DialogMForm form(&ts.st.Db);
    EXPECT_EQ(form.objectName(), "DialogM");
    EXPECT_EQ(form.windowTitle(), "패스워드입력");
    EXPECT_EQ(form.findChild<QLabel*>("Label1")->text(), "비밀번호 입력: ");
    EXPECT_EQ(form.findChild<QLabel*>("Label2")->text(), "관리자 비밀번호 6자리를 정확하게 입력하세요!");
    auto* text1 = form.findChild<QLineEdit*>("Text1");
    ASSERT_NE(text1, nullptr);
    EXPECT_EQ(text1->maxLength(), 6);
    EXPECT_EQ(text1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(button(form, "OKButton")->text(), "확인");
    EXPECT_EQ(button(form, "CancelButton")->text(), "취소");
    EXPECT_EQ(form.Result(), 2);
}

TEST(DialogsDialogM, SixCharactersMoveTheFocusToOk)
{
    TestStation ts;
    DialogMForm form(&ts.st.Db);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    auto* text1 = form.findChild<QLineEdit*>("Text1");
    text1->setFocus();
    QTest::keyClicks(text1, QStringLiteral("12345"));
    EXPECT_TRUE(text1->hasFocus());
    QTest::keyClicks(text1, QStringLiteral("6"));
    EXPECT_TRUE(button(form, "OKButton")->hasFocus());
    EXPECT_TRUE(form.isVisible()); // no Enter needed, but nothing pressed yet
}

TEST(DialogsDialogM, ResultsOfOkCancelAndCloseBox)
{
    TestStation ts;
    setAdminPassword(ts, QStringLiteral("123456"));
    struct Row { const char* typed; const char* action; int result; };
    const Row rows[] = {
        {"123456", "ok", 1}, {"QMRTX7", "ok", 1}, {"qmrtx7", "ok", 2}, {"000000", "ok", 2},
        {"123456", "cancel", 3}, {"123456", "close", 3},
    };
    for (const Row& r : rows) {
        DialogMForm form(&ts.st.Db);
        form.show();
        form.findChild<QLineEdit*>("Text1")->setText(QString::fromUtf8(r.typed));
        const QString action = QString::fromUtf8(r.action);
        if (action == "ok") QTest::mouseClick(button(form, "OKButton"), Qt::LeftButton);
        else if (action == "cancel") QTest::mouseClick(button(form, "CancelButton"), Qt::LeftButton);
        else form.close();
        EXPECT_FALSE(form.isVisible()) << r.typed << " " << r.action;
        EXPECT_EQ(form.Result(), r.result) << r.typed << " " << r.action;
    }
}

TEST(DialogsMBox, AnswersYesOnlyForTheYesButton)
{
    for (const char* how : {"Command1_0", "Command1_1", "close box"}) {
        MBoxForm form(QStringLiteral("계속?"), QStringLiteral("Tarvola"), QString(), nullptr);
        form.show();
        if (QByteArray(how) == "close box") form.close(); // the window's close box answers no
        else QTest::mouseClick(button(form, how), Qt::LeftButton);
        EXPECT_EQ(form.answer(), QByteArray(how) == "Command1_0") << how;
        EXPECT_FALSE(form.isVisible()) << how;
    }
}

TEST(DialogsMBox, CaptionsAndRecaptionedYesButton)
{
    MBoxForm plain(QStringLiteral("a\r\nb"), QStringLiteral("제목"), QString(), nullptr);
    EXPECT_EQ(plain.objectName(), "MBox");
    EXPECT_EQ(plain.windowTitle(), "제목");
    EXPECT_EQ(plain.findChild<QLabel*>("Label1")->text(), "a\nb");
    EXPECT_EQ(button(plain, "Command1_0")->text(), "확 인");
    EXPECT_EQ(button(plain, "Command1_1")->text(), "취 소");
    EXPECT_NE(plain.findChild<QLabel*>("Image1"), nullptr);

    MBoxForm retry(QStringLiteral("x"), QStringLiteral("Tarvola"), QStringLiteral("재시도"), nullptr);
    EXPECT_EQ(button(retry, "Command1_0")->text(), "재시도");
}

TEST(DialogsMsgBox, MessageFormTexts)
{
    MsgBoxForm form(QStringLiteral("첫줄\r\n둘째줄"), QStringLiteral("정산오류"), nullptr);
    EXPECT_EQ(form.objectName(), "Msg_Box");
    EXPECT_EQ(form.windowTitle(), "정산오류");
    EXPECT_EQ(form.findChild<QLabel*>("Label1")->text(), "첫줄\n둘째줄");
    EXPECT_EQ(button(form, "Command1")->text(), "확 인(&Y)");
    form.show();
    QTest::mouseClick(button(form, "Command1"), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
}

TEST(DialogsSystemBox, ButtonsDefaultsAndCloseAnswersByStyle)
{
    struct Row { int style; std::vector<int> buttons; int def; int close; };
    const Row rows[] = {
        {vbOKOnly, {vbOK}, 0, vbOK},
        {vbOKCancel, {vbOK, vbCancel}, 0, vbCancel},
        {vbAbortRetryIgnore, {vbAbort, vbRetry, vbIgnore}, 0, vbAbort},
        {vbYesNoCancel | vbDefaultButton3, {vbYes, vbNo, vbCancel}, 2, vbCancel},
        {vbYesNo | vbQuestion, {vbYes, vbNo}, 0, vbNo},
        {276, {vbYes, vbNo}, 1, vbNo}, // Yes/No, critical, No by default
        {vbRetryCancel, {vbRetry, vbCancel}, 0, vbCancel},
        {vbOKOnly | vbDefaultButton2, {vbOK}, 0, vbOK}, // no second button: the first
    };
    for (const Row& r : rows) {
        const MsgBoxLayout l = MsgBoxButtons(r.style);
        EXPECT_EQ(l.buttons, r.buttons) << r.style;
        EXPECT_EQ(l.defaultIndex, r.def) << r.style;
        EXPECT_EQ(l.closeResult, r.close) << r.style;
    }
}

TEST(DialogsSystemBox, BuiltBoxAnswersTheClickedButton)
{
    std::unique_ptr<QMessageBox> box(BuildSystemMessageBox(QStringLiteral("계속하시겠습니까?"), 276, QStringLiteral("Tarvola")));
    EXPECT_EQ(box->windowTitle(), "Tarvola");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->defaultButton()->property("vbResult").toInt(), vbNo);
    EXPECT_EQ(box->buttons().size(), 2);
    box->show();
    QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("MsgBoxButton_%1").arg(vbYes)), Qt::LeftButton);
    EXPECT_EQ(SystemMessageBoxResult(*box, 276), vbYes);

    std::unique_ptr<QMessageBox> closed(BuildSystemMessageBox(QStringLiteral("x"), vbYesNo, QStringLiteral("Tarvola")));
    closed->show();
    closed->close();
    EXPECT_EQ(SystemMessageBoxResult(*closed, vbYesNo), vbNo);

    std::unique_ptr<QMessageBox> info(BuildSystemMessageBox(QStringLiteral("x"), vbInformation, QStringLiteral("Tarvola")));
    EXPECT_EQ(info->icon(), QMessageBox::Information);
}

TEST(DialogsQtMessages, ModalFormsAnswerThroughTheInterface)
{
    TestStation ts;
    setAdminPassword(ts, QStringLiteral("123456"));
    QtMessages msgs;
    msgs.setDatabase(&ts.st.Db);

    // Acts on the modal form once it is up.
    auto whenModal = [](std::function<void(QWidget*)> act) {
        test::WhenModal(QString(), [act](QWidget& w) { act(&w); });
    };

    whenModal([](QWidget* w) { w->findChild<QPushButton*>("Command1_0")->click(); });
    EXPECT_TRUE(msgs.MBox(QStringLiteral("q"), QStringLiteral("Tarvola"), QString()));

    whenModal([](QWidget* w) { w->close(); });
    EXPECT_FALSE(msgs.MBox(QStringLiteral("q"), QStringLiteral("Tarvola"), QString()));

    whenModal([](QWidget* w) {
        w->findChild<QLineEdit*>("Text1")->setText(QStringLiteral("123456"));
        w->findChild<QPushButton*>("OKButton")->click();
    });
    EXPECT_EQ(msgs.DialogM(), 1);

    whenModal([](QWidget* w) { w->close(); });
    EXPECT_EQ(msgs.DialogM(), 3);

    whenModal([](QWidget* w) { w->close(); });
    EXPECT_EQ(msgs.MsgBox(QStringLiteral("q"), 276, QStringLiteral("Tarvola")), vbNo);

    whenModal([](QWidget* w) { w->findChild<QPushButton*>("Command1")->click(); });
    msgs.Msg_Box(QStringLiteral("m"), QStringLiteral("Tarvola"));
}

TEST(DialogsAbout, VersionNumbersArePlainIntegers)
{
    for (const auto& [in, out] : {std::pair{"1.01.0", "1.1.0"}, {"2.10.3", "2.10.3"}, {"3", "3.0.0"}, {"1.0.7.9", "1.0.7"}})
        EXPECT_EQ(VersionText(in), out) << in;
}

TEST(DialogsAbout, FormTexts)
{
    FrmAbout form(nullptr);
    EXPECT_EQ(form.objectName(), "frmAbout");
    EXPECT_EQ(form.windowTitle(), AppTitle() + " 정보");
    EXPECT_EQ(form.findChild<QLabel*>("lblTitle")->text(), "Title :   " + AppTitle());
    EXPECT_EQ(form.findChild<QLabel*>("lblVersion")->text(), "Version : " + VersionText(BuildVersion()));
    EXPECT_EQ(form.findChild<QLabel*>("lblDescription")->text(), AppDescription());
    EXPECT_FALSE(form.findChild<QLabel*>("picIcon")->pixmap().isNull());
    auto* ok = form.findChild<QPushButton*>("cmdOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "확인");
    form.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
}
