#include "common/ModalMessages.h"
#include "common/TestStation.h"
#include "core/Sql.h"
#include "fee/FrmKey.h"
#include "fee/KeyEditor.h"
#include "widgets/KeyCapture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableWidget>
#include <QTest>
#include <deque>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

const QString kTakenByDisc = QStringLiteral("이키값은 이미 할인키의 (");
const QString kTakenByFunc = QStringLiteral("이키값은 이미 기능키의 (");
const QString kTakenTail = QStringLiteral(")으로 등록되어있는 키입니다!\r\n 키입력을 재시도 하시기바랍니다.");

DiscPanel disc(const QString& name, KeyChord key, const QString& keyText)
{
    return {.name = name, .keyText = keyText, .key = key, .use = true};
}
FuncPanel func(int function, KeyChord key, const QString& keyText) { return {function, keyText, key, true}; }
// The same panel on another chord.
template <class Panel>
Panel rekeyed(Panel p, KeyChord key, const QString& keyText)
{
    p.key = key;
    p.keyText = keyText;
    return p;
}

qint64 rows(TestStation& ts, const char* table) { return ts.count(QString::fromUtf8(table)); }

} // namespace

TEST(FrmKeyCaptions, RowCaptionsCarryTheUnit)
{
    EXPECT_EQ(DiscRowCaption(1, 1), "할인종류(1) :" + QString(24, ' ') + "적용요율(1) :" + QString(18, ' ') + "분");
    EXPECT_EQ(DiscRowCaption(1, 0), "할인종류(1) :" + QString(24, ' ') + "적용요율(1) :" + QString(19, ' '));
    EXPECT_EQ(DiscRowCaption(2, 2), "할인종류(2) :" + QString(24, ' ') + "적용요율(2) :" + QString(20, ' ') + "원");
    EXPECT_EQ(DiscRowCaption(2, 4), "할인종류(2) :" + QString(24, ' ') + "적용요율(2) :" + QString(21, ' '));
    EXPECT_TRUE(DiscRowCaption(1, 3).endsWith("%"));
    EXPECT_TRUE(DiscRowCaption(1, 5).endsWith("원"));
    EXPECT_FALSE(DiscKindTakesRate(0));
    EXPECT_FALSE(DiscKindTakesRate(4));
    EXPECT_TRUE(DiscKindTakesRate(5));
}

// The lists as the screen offers them: the index is the stored code.
TEST(FrmKeyCaptions, KindAndFunctionListsInCodeOrder)
{
    EXPECT_EQ(DiscountKindTexts(), (QStringList{"적용안함", "시간할인", "금액할인", "%할인", "전액무료", "고정금액"}));
    EXPECT_EQ(FunctionTexts(),
              (QStringList{"돈통열림", "영수증 재발행", "분실권", "입구차단기 열림", "출구차단기 열림", "근무교대(임시)",
                           "준비금및 중간입출금관리", "입차티켓발급", "입차증발급", "정기권관리", "일반권 입출차현황",
                           "정기권 입출차현황", "정기권 부정입출현황", "요금테이블 설정", "Comm 포트설정", "키기능 설정",
                           "근무자및 화면설정", "인쇄옵션설정", "시스템설정 백업", "시스템설정 복구", "정기권자료 백업",
                           "정기권자료 복구", "발행기 티켓교환", "발행기 안내문구및 시간설정", "카드배출", "영업정산",
                           "시스템종료", "입구차단기 닫힘", "출구차단기 닫힘", "재활용 주차권 소거"}));
}

TEST(FrmKeyDiscount, NewKeyIsStoredAndItsChordRefusedAfterwards)
{
    TestStation ts;
    KeyEditor ed(ts.st);
    const DiscPanel p{.name = "경차할인", .keyText = "ALT + A", .key = {65, 4}, .kind1 = 1, .rate1 = "30", .kind2 = 2,
                      .rate2 = "500", .use = true};
    EXPECT_TRUE(ed.saveDisc(p).done);
    EXPECT_TRUE(ed.discChanged());
    ASSERT_EQ(rows(ts, "할인키"), 1);
    EXPECT_EQ(ts.value("SELECT 적용요율1||' '||적용요율2||' '||키명칭||' '||사용여부 FROM 할인키").toString(), "30 500 ALT + A 1");

    const KeyAction again = ed.saveDisc(disc("다른키", {65, 4}, "ALT + A"));
    EXPECT_FALSE(again.done);
    EXPECT_EQ(again.focus, KeyFocus::Command1);
    EXPECT_EQ(rows(ts, "할인키"), 1);
    ASSERT_FALSE(ts.msgs.shown.empty());
    EXPECT_EQ(ts.msgs.shown.back().title, "자료저장 오류");
    EXPECT_EQ(ts.msgs.shown.back().text, kTakenByDisc + "경차할인" + kTakenTail);
}

TEST(FrmKeyDiscount, FunctionKeyChordIsRefusedDiscountNamedFirst)
{
    TestStation ts;
    KeyEditor ed(ts.st);
    ASSERT_TRUE(ed.saveFunc(func(0, {112, 0}, "F1")).done);
    EXPECT_FALSE(ed.saveDisc(disc("할인", {112, 0}, "F1")).done);
    EXPECT_EQ(ts.msgs.shown.back().text, kTakenByFunc + "돈통열림" + kTakenTail);
    EXPECT_EQ(rows(ts, "할인키"), 0);

    // A chord in both tables names the discount key.
    Exec(ts.st.Db, "INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 키명칭, 사용여부, 중복사용) VALUES ('중복', 112, 0, 'F1', 1, 0)");
    EXPECT_FALSE(ed.saveFunc(func(1, {112, 0}, "F1")).done);
    EXPECT_EQ(ts.msgs.shown.back().text, kTakenByDisc + "중복" + kTakenTail);
}

TEST(FrmKeyDiscount, EditedRowGivenAnotherRowsChordIsRefused)
{
    TestStation ts;
    KeyEditor ed(ts.st);
    ASSERT_TRUE(ed.saveDisc(disc("하나", {65, 0}, "A")).done);
    ASSERT_TRUE(ed.saveDisc(disc("둘", {66, 0}, "B")).done);
    ASSERT_TRUE(ed.saveFunc(func(2, {67, 0}, "C")).done);
    const auto list = ed.discRows();
    ASSERT_EQ(list.size(), 2u);

    DiscPanel p = ed.loadDiscRow(list[1]); // "둘" on B
    EXPECT_TRUE(ed.discEditing());
    EXPECT_FALSE(ed.saveDisc(rekeyed(p, {65, 0}, "A")).done);
    EXPECT_EQ(ts.msgs.shown.back().text, kTakenByDisc + "하나" + kTakenTail);
    EXPECT_TRUE(ed.discEditing()); // still editing the same row
    EXPECT_FALSE(ed.saveDisc(rekeyed(p, {67, 0}, "C")).done);
    EXPECT_EQ(ts.msgs.shown.back().text, kTakenByFunc + "분실권" + kTakenTail);

    // Its own chord and a free one are fine.
    p.name = "둘째";
    EXPECT_TRUE(ed.saveDisc(p).done);
    EXPECT_EQ(ts.value("SELECT 명칭 FROM 할인키 WHERE 키코드1 = 66").toString(), "둘째");
    EXPECT_TRUE(ed.saveDisc(rekeyed(ed.loadDiscRow(ed.discRows()[1]), {68, 2}, "CTRL + D")).done);
    EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 할인키 WHERE 키코드1 = 68 AND 키코드2 = 2").toInt(), 1);
    EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 할인키 WHERE 키코드1 = 66").toInt(), 0);
}

TEST(FrmKeyDiscount, NamesAndRatesAreStoredAsGiven)
{
    TestStation ts;
    KeyEditor ed(ts.st);
    const auto row = [&] { return ts.value("SELECT 명칭||'|'||적용요율1||'|'||할인종류2||'|'||적용요율2||'|'||중복사용 FROM 할인키"); };
    // Kind 0 stores rate 0 on a new key; a coupon's row two is stored; an even half rounds down.
    const DiscPanel p{.name = "O'Neil", .keyText = "SHIFT + H", .key = {72, 1}, .kind1 = 0, .rate1 = "25", .kind2 = 3,
                      .rate2 = "12.5", .use = true, .coupon = true};
    ASSERT_TRUE(ed.saveDisc(p).done);
    EXPECT_EQ(row().toString(), "O'Neil|0|3|12|1");

    DiscPanel e = ed.loadDiscRow(ed.discRows()[0]);
    EXPECT_EQ(e.name, "O'Neil");
    e.name = "It's";
    e.rate1 = "25"; // an edited key keeps the shown rate
    e.kind2 = 2;
    e.rate2 = " 1e3 ";
    ASSERT_TRUE(ed.saveDisc(e).done);
    EXPECT_EQ(row().toString(), "It's|25|2|1000|1");
}

TEST(FrmKeyDiscount, ValidationOrderAndTexts)
{
    TestStation ts;
    KeyEditor ed(ts.st);
    struct Row { DiscPanel p; const char* text; KeyFocus focus; };
    const DiscPanel noName = disc("", {65, 0}, "A");
    const Row cases[] = {
        {noName, "명칭을 입력하세요!", KeyFocus::Txt1},
        {disc("x", {0, 0}, ""), "사용할키를 선택하세요!", KeyFocus::Command1},
        {{.name = "x", .keyText = "A", .key = {65, 0}, .rate1 = "12a", .use = true}, "적용요율(1)란에 숫자를 입력하세요!",
         KeyFocus::Txt3},
        {{.name = "x", .keyText = "A", .key = {65, 0}, .rate2 = "", .use = true}, "적용요율(2)란에 숫자를 입력하세요!",
         KeyFocus::Txt4},
        {{.name = "x", .keyText = "A", .key = {65, 0}, .kind1 = 2, .rate1 = "3000000000", .use = true},
         "적용요율(1)란에 숫자를 입력하세요!", KeyFocus::Txt3},
    };
    for (const Row& r : cases) {
        SCOPED_TRACE(r.text);
        ts.msgs.clear();
        const KeyAction a = ed.saveDisc(r.p);
        EXPECT_FALSE(a.done);
        EXPECT_EQ(a.focus, r.focus);
        EXPECT_EQ(ts.msgs.texts(), QStringList{QString::fromUtf8(r.text)});
        EXPECT_EQ(ts.msgs.shown.back().title, "자료입력 오류");
    }
    EXPECT_EQ(rows(ts, "할인키"), 0);

    // Cancel and delete validate too.
    ts.msgs.clear();
    EXPECT_FALSE(ed.cancelDisc(noName).done);
    EXPECT_FALSE(ed.deleteDisc(noName).done);
    EXPECT_EQ(ts.msgs.shown.size(), 2u);
}

TEST(FrmKeyDiscount, DeleteAsksNothingAndCausesNoNotice)
{
    TestStation ts;
    KeyEditor ed(ts.st);
    Exec(ts.st.Db, "INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 키명칭, 사용여부, 중복사용) VALUES ('x', 65, 0, 'A', 1, 0)");
    DiscPanel p = ed.loadDiscRow(ed.discRows()[0]);
    EXPECT_TRUE(ed.deleteDisc(p).done);
    EXPECT_EQ(rows(ts, "할인키"), 0);
    EXPECT_FALSE(ed.discEditing());
    ed.exitButton();
    EXPECT_TRUE(ts.msgs.shown.empty());
}

TEST(FrmKeyDiscount, ExitNoticeAfterChangesAndActiveKeysReloaded)
{
    TestStation ts;
    KeyEditor ed(ts.st);
    ASSERT_TRUE(ed.saveDisc(disc("할인", {65, 4}, "ALT + A")).done);
    ed.exitButton();
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].title, "");
    EXPECT_EQ(ts.msgs.shown[0].text, "할인키를 수정또는 신규등록을 하면 반드시 영업마감을 수행하시기 바랍니다.\r\n"
                                     "(할인현황을 재구성하여 정확한 집계를 하게됩니다)");
    EXPECT_FALSE(ed.discChanged());
    ed.closed();
    ASSERT_EQ(ts.st.discKeys.DiscKeyCode1.size(), 1u);
    EXPECT_EQ(ts.st.discKeys.DiscKeyCode1[0], 65);
    EXPECT_EQ(ts.st.discKeys.DiscKeyCode2[0], 4);
}

TEST(FrmKeyDiscount, FailingStatementIsShownAndNothingCleared)
{
    TestStation ts;
    KeyEditor ed(ts.st);
    Exec(ts.st.Db, "DROP TABLE 할인키");
    Exec(ts.st.Db, "CREATE TABLE 할인키 (명칭 TEXT, 키코드1 INTEGER, 키코드2 INTEGER, 키명칭 TEXT)");
    const KeyAction a = ed.saveDisc(disc("x", {65, 0}, "A"));
    EXPECT_FALSE(a.done);
    ASSERT_FALSE(ts.msgs.shown.empty());
    EXPECT_EQ(ts.msgs.shown.back().title, "자료저장 오류");
    EXPECT_FALSE(ts.msgs.shown.back().text.isEmpty());
}

TEST(FrmKeyFunction, SameFunctionOnTwoChordsAndEditStoresTheNewFunction)
{
    TestStation ts;
    KeyEditor ed(ts.st);
    ASSERT_TRUE(ed.saveFunc(func(4, {113, 0}, "F2")).done);
    ASSERT_TRUE(ed.saveFunc(func(4, {114, 0}, "F3")).done);
    EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 기능키 WHERE 기능코드 = 4 AND 명칭 = '출구차단기 열림'").toInt(), 2);

    FuncPanel p = ed.loadFuncRow(ed.funcRows()[0]);
    EXPECT_TRUE(ed.funcEditing());
    EXPECT_EQ(p.function, 4);
    p.function = 25;
    ASSERT_TRUE(ed.saveFunc(p).done);
    EXPECT_EQ(ts.value("SELECT 명칭 FROM 기능키 WHERE 키코드1 = 113").toString(), "영업정산");
    EXPECT_EQ(ts.value("SELECT 기능코드 FROM 기능키 WHERE 키코드1 = 113").toInt(), 25);
}

TEST(FrmKeyFunction, NoKeyRefusedDiscountChordRefusedEditedChordChecked)
{
    TestStation ts;
    KeyEditor ed(ts.st);
    const KeyAction none = ed.saveFunc(func(0, {0, 0}, ""));
    EXPECT_FALSE(none.done);
    EXPECT_EQ(none.focus, KeyFocus::Command3);
    EXPECT_EQ(ts.msgs.shown.back().text, "사용할키를 선택하세요!");
    EXPECT_EQ(ts.msgs.shown.back().title, "자료입력 오류");

    ASSERT_TRUE(ed.saveDisc(disc("할인", {65, 4}, "ALT + A")).done);
    const KeyAction taken = ed.saveFunc(func(3, {65, 4}, "ALT + A"));
    EXPECT_FALSE(taken.done);
    EXPECT_EQ(taken.focus, KeyFocus::Command3);
    EXPECT_TRUE(ts.msgs.shown.back().text.startsWith(kTakenByDisc));

    ASSERT_TRUE(ed.saveFunc(func(3, {120, 0}, "F9")).done);
    ASSERT_TRUE(ed.saveFunc(func(3, {121, 0}, "F10")).done);
    const FuncPanel p = rekeyed(ed.loadFuncRow(ed.funcRows()[0]), {121, 0}, "F10");
    EXPECT_FALSE(ed.saveFunc(p).done);
    EXPECT_TRUE(ts.msgs.shown.back().text.startsWith(kTakenByFunc));
    EXPECT_TRUE(ed.deleteFunc(p).done);
    EXPECT_EQ(ts.count("기능키"), 1);
}

// ---- the screen ----

namespace {

struct Screen {
    explicit Screen(TestStation& ts)
        : form(ts.st, nullptr, [this]() -> std::optional<CapturedKey> {
              std::optional<CapturedKey> k;
              if (keys.empty()) return k;
              if (keys.front()) k = *keys.front(); // else left without a key
              keys.pop_front();
              return k;
          })
    {
        form.show();
    }
    template <typename T>
    T* get(const char* name) const
    {
        auto* w = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }

    std::deque<std::optional<CapturedKey>> keys;
    FrmKey form;
};

} // namespace

TEST(FrmKeyScreen, OpensEmptyWithItsControls)
{
    TestStation ts;
    Screen s(ts);
    EXPECT_EQ(s.form.windowTitle(), "키기능설정");
    EXPECT_EQ(s.get<QComboBox>("Combo1")->count(), 6);
    EXPECT_EQ(s.get<QComboBox>("Combo3")->count(), 30);
    EXPECT_EQ(s.get<QLineEdit>("Txt3")->text(), "0");
    EXPECT_FALSE(s.get<QLineEdit>("Txt3")->isEnabled());
    EXPECT_FALSE(s.get<QPushButton>("Command2_1")->isEnabled());
    EXPECT_FALSE(s.get<QPushButton>("Command4_1")->isEnabled());
    EXPECT_EQ(s.get<QCheckBox>("Check1_1")->text(), "할인기능");
    EXPECT_EQ(s.get<QLabel>("Label2")->text(), DiscRowCaption(1, 0));
    EXPECT_EQ(s.get<QPushButton>("Command5")->text(), "종료");
}

TEST(FrmKeyScreen, CaptureSaveAndRefusalKeepsThePanel)
{
    TestStation ts;
    Screen s(ts);
    s.keys.push_back(CapturedKey{"ALT + A", 65, 4});
    s.click("Command1");
    EXPECT_EQ(s.get<QLabel>("Label3")->text(), "ALT + A");
    s.get<QLineEdit>("Txt1")->setText("경차");
    s.get<QComboBox>("Combo1")->setCurrentIndex(1);
    emit s.get<QComboBox>("Combo1")->activated(1);
    EXPECT_TRUE(s.get<QLineEdit>("Txt3")->isEnabled());
    EXPECT_TRUE(s.get<QLabel>("Label2")->text().endsWith("분"));
    s.get<QLineEdit>("Txt3")->setText("30");
    s.click("Command2_0");
    EXPECT_EQ(ts.count("할인키"), 1);
    EXPECT_EQ(s.get<QTableWidget>("DBGrid1")->rowCount(), 1);
    EXPECT_EQ(s.get<QLineEdit>("Txt1")->text(), ""); // cleared after saving
    EXPECT_EQ(s.get<QLabel>("Label3")->text(), "");

    // The same chord again: refused, the panel keeps the refused chord and name.
    s.keys.push_back(CapturedKey{"ALT + A", 65, 4});
    s.click("Command1");
    s.get<QLineEdit>("Txt1")->setText("또");
    s.click("Command2_0");
    EXPECT_EQ(ts.count("할인키"), 1);
    EXPECT_EQ(s.get<QLineEdit>("Txt1")->text(), "또");
    EXPECT_EQ(s.get<QLabel>("Label3")->text(), "ALT + A");
    EXPECT_EQ(ts.msgs.shown.back().title, "자료저장 오류");

    // A capture left without a key keeps the panel's key.
    s.keys.push_back(std::nullopt);
    s.click("Command1");
    EXPECT_EQ(s.get<QLabel>("Label3")->text(), "ALT + A");
}

TEST(FrmKeyScreen, GridClickLoadsTheRowAndCouponHidesRowTwo)
{
    TestStation ts;
    Exec(ts.st.Db, "INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 키명칭, 할인종류1, 적용요율1, 할인종류2, 적용요율2, 사용여부, 중복사용) "
                   "VALUES ('쿠폰', 66, 2, 'CTRL + B', 2, 1000, 1, 30, 0, 1)");
    Screen s(ts);
    s.form.discGridClicked(5); // no such row: nothing
    EXPECT_EQ(s.get<QLineEdit>("Txt1")->text(), "");
    s.form.discGridClicked(0);
    EXPECT_EQ(s.get<QLineEdit>("Txt1")->text(), "쿠폰");
    EXPECT_EQ(s.get<QLabel>("Label3")->text(), "CTRL + B");
    EXPECT_EQ(s.get<QComboBox>("Combo1")->currentIndex(), 2);
    EXPECT_EQ(s.get<QLineEdit>("Txt3")->text(), "1000");
    EXPECT_EQ(s.get<QComboBox>("Combo2")->currentIndex(), 1);
    EXPECT_EQ(s.get<QLineEdit>("Txt4")->text(), "30");
    EXPECT_FALSE(s.get<QCheckBox>("Check1_0")->isChecked()); // stored off, while a coupon
    EXPECT_TRUE(s.get<QCheckBox>("Check1_1")->isChecked());
    EXPECT_EQ(s.get<QCheckBox>("Check1_1")->text(), "쿠폰기능");
    EXPECT_FALSE(s.get<QComboBox>("Combo2")->isVisible());
    EXPECT_TRUE(s.get<QPushButton>("Command2_1")->isEnabled());
    EXPECT_TRUE(s.form.editor().discEditing());
    s.click("Command2_2"); // cancel
    EXPECT_FALSE(s.form.editor().discEditing());
    EXPECT_TRUE(s.get<QComboBox>("Combo2")->isVisible());
    EXPECT_EQ(ts.count("할인키"), 1);
}

TEST(FrmKeyScreen, CancelWithEmptyNameClearsNothing)
{
    TestStation ts;
    Screen s(ts);
    s.keys.push_back(CapturedKey{"F5", 116, 0});
    s.click("Command1");
    s.click("Command2_2");
    EXPECT_EQ(ts.msgs.shown.back().text, "명칭을 입력하세요!");
    EXPECT_EQ(s.get<QLabel>("Label3")->text(), "F5");
}

TEST(FrmKeyScreen, FunctionPanelSavesAndClosingByTheBoxReloadsKeysWithoutNotice)
{
    TestStation ts;
    Exec(ts.st.Db, "INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 키명칭, 사용여부, 중복사용) VALUES ('x', 70, 0, 'F', 1, 0)");
    Screen s(ts);
    s.keys.push_back(CapturedKey{"F12", 123, 0});
    s.click("Command3");
    s.get<QComboBox>("Combo3")->setCurrentIndex(26);
    s.get<QCheckBox>("Check1_2")->setChecked(true);
    s.click("Command4_0");
    EXPECT_EQ(ts.value("SELECT 명칭 FROM 기능키").toString(), "시스템종료");
    EXPECT_EQ(s.get<QTableWidget>("DBGrid2")->rowCount(), 1);
    EXPECT_EQ(s.get<QComboBox>("Combo3")->currentIndex(), 0);
    s.form.funcGridClicked(0);
    EXPECT_EQ(s.get<QComboBox>("Combo3")->currentIndex(), 26);
    EXPECT_TRUE(s.get<QPushButton>("Command4_1")->isEnabled());

    ts.msgs.clear();
    s.form.close();
    EXPECT_TRUE(ts.msgs.shown.empty());
    ASSERT_EQ(ts.st.discKeys.DiscKeyCode1.size(), 1u);
    EXPECT_EQ(ts.st.discKeys.DiscKeyCode1[0], 70);
}

TEST(FrmKeyScreen, ExitButtonShowsTheNoticeAfterADiscountChange)
{
    TestStation ts;
    Screen s(ts);
    s.keys.push_back(CapturedKey{"ALT + 3", 51, 4});
    s.click("Command1");
    s.get<QLineEdit>("Txt1")->setText("3번");
    s.get<QCheckBox>("Check1_0")->setChecked(true);
    s.click("Command2_0");
    ts.msgs.clear();
    s.click("Command5");
    EXPECT_FALSE(s.form.isVisible());
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_TRUE(ts.msgs.shown[0].text.startsWith("할인키를 수정또는 신규등록을"));
    EXPECT_EQ(ts.st.discKeys.DiscKeyCode1[0], 51);
}

TEST(FrmKeyScreen, EscDoesNotClose)
{
    TestStation ts;
    Screen s(ts);
    QTest::keyClick(&s.form, Qt::Key_Escape);
    EXPECT_TRUE(s.form.isVisible()) << "only 종료 or the close box close it";
    EXPECT_TRUE(ts.msgs.shown.empty());
}

// Keys pressed twice into the real capture dialog, saved from both panels (one row
// of each edited onto a new chord), then the screen closed by "종료": the stored
// rows and the active-key list. Codes at their edges, on every modifier.
TEST(FrmKeyScreen, CapturedKeysAreStoredAndListedAfterClosing)
{
    TestStation ts;
    FrmKey form(ts.st);
    form.show();
    const auto capture = [&](const char* button, Qt::Key key, Qt::KeyboardModifiers mods) {
        test::WhenModal(QStringLiteral("Dialog"), [key, mods](QWidget& d) {
            for (int i = 0; i < 2; ++i) QTest::keyClick(&d, key, mods);
            QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("OKButton")), Qt::LeftButton);
        });
        QTest::mouseClick(form.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
    };
    const auto click = [&](const char* button) {
        QTest::mouseClick(form.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier,
                                alt = Qt::AltModifier, pad = Qt::KeypadModifier;
    const struct { const char* name; Qt::Key key; Qt::KeyboardModifiers mods; bool use; } discs[] = {
        {"F12", Qt::Key_F12, none, true},          {"알트Z", Qt::Key_Z, alt, true},
        {"쉬프트0", Qt::Key_0, shift, true},       {"키패드0", Qt::Key_0, shift | pad, true},
        {"키패드9", Qt::Key_9, ctrl | pad, true},  {"겹침", Qt::Key_F1, ctrl | shift, true},
        {"꺼짐", Qt::Key_A, ctrl, false},
    };
    for (const auto& k : discs) {
        capture("Command1", k.key, k.mods);
        form.findChild<QLineEdit*>("Txt1")->setText(QString::fromUtf8(k.name));
        form.findChild<QCheckBox*>("Check1_0")->setChecked(k.use);
        click("Command2_0");
    }
    form.discGridClicked(3); // "꺼짐" on CTRL + A, the fourth by modifier then key
    ASSERT_EQ(form.findChild<QLineEdit*>("Txt1")->text(), "꺼짐");
    capture("Command1", Qt::Key_F10, alt);
    form.findChild<QCheckBox*>("Check1_0")->setChecked(true);
    click("Command2_0");

    const struct { Qt::Key key; Qt::KeyboardModifiers mods; int function; bool use; } funcs[] = {
        {Qt::Key_F11, alt, 2, true}, {Qt::Key_9, shift, 29, false}, {Qt::Key_F12, ctrl, 13, true}};
    for (const auto& k : funcs) {
        capture("Command3", k.key, k.mods);
        form.findChild<QComboBox*>("Combo3")->setCurrentIndex(k.function);
        form.findChild<QCheckBox*>("Check1_2")->setChecked(k.use);
        click("Command4_0");
    }
    form.funcGridClicked(1); // CTRL + F12, the second by modifier then key
    ASSERT_EQ(form.findChild<QComboBox*>("Combo3")->currentIndex(), 13);
    capture("Command3", Qt::Key_F12, shift);
    click("Command4_0");
    EXPECT_TRUE(ts.msgs.shown.empty()) << ts.msgs.texts().join(u'/').toStdString();
    click("Command5");
    EXPECT_FALSE(form.isVisible());

    const auto stored = [&](const char* sql) {
        QStringList out;
        QSqlQuery q = Query(ts.st.Db, QString::fromUtf8(sql));
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i) cells << q.value(i).toString();
            out << cells.join(u'|');
        }
        return out;
    };
    EXPECT_EQ(stored("SELECT 명칭, 키코드1, 키코드2, 키명칭, 사용여부 FROM 할인키 ORDER BY 명칭"),
              (QStringList{"F12|123|0|F12|1", "겹침|112|3|F1|1", "꺼짐|121|4|ALT + F10|1", "쉬프트0|48|1|SHIFT + 0|1",
                           "알트Z|90|4|ALT + Z|1", "키패드0|96|1|SHIFT + |1", "키패드9|105|2|CTRL + |1"}));
    EXPECT_EQ(stored("SELECT 명칭, 기능코드, 키코드1, 키코드2, 키명칭, 사용여부 FROM 기능키 ORDER BY 기능코드"),
              (QStringList{"분실권|2|122|4|ALT + F11|1", "요금테이블 설정|13|123|1|SHIFT + F12|1",
                           "재활용 주차권 소거|29|57|1|SHIFT + 9|0"}));
    using Codes = std::vector<quint8>;
    EXPECT_EQ(ts.st.discKeys.DiscKeyCount, 6);
    EXPECT_EQ(ts.st.discKeys.DiscKeyCode1, (Codes{123, 48, 96, 105, 112, 90, 121}));
    EXPECT_EQ(ts.st.discKeys.DiscKeyCode2, (Codes{0, 1, 1, 2, 3, 4, 4}));
}
