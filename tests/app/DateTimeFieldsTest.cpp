// Every date and time field of the station typed into as a person does: the
// field entered by a click somewhere in it or by Tab, then the digits typed,
// with or without their separators.

#include "common/AppRig.h"
#include "common/ScreenProbe.h"
#include "equipment/FrmTest.h"
#include "fee/FrmFee.h"
#include "season/BingList.h"
#include "season/FrmJung.h"
#include "season/ListScreens.h"
#include "settlement/Jungsan.h"
#include "station/FrmInput.h"

#include <QDateEdit>
#include <QRegularExpression>
#include <QTimeEdit>
#include <functional>
#include <memory>
#include <tuple>

namespace tolvo {
namespace {

using MakeScreen = std::function<std::unique_ptr<QWidget>(Station&)>;

template <class Screen>
MakeScreen plain()
{
    return [](Station& st) { return std::make_unique<Screen>(st); };
}

MakeScreen EquipmentTest()
{
    return [](Station& st) { return std::make_unique<FrmTest>(st, EquipmentLinks{}); };
}

MakeScreen TicketEntry()
{
    return [](Station& st) { return std::make_unique<FrmInput>(QStringLiteral("1234"), st.clock); };
}

enum class Kind { Date, Time, TimeWithSeconds };

struct Field {
    const char* screen;
    MakeScreen make;
    const char* name;
    Kind kind;
};

const Field kFields[] = {
    {"tariff", plain<FrmFee>(), "D1_0", Kind::Time},
    {"tariff", plain<FrmFee>(), "D1_1", Kind::Time},
    {"tariff", plain<FrmFee>(), "D1_2", Kind::Time},
    {"tariff", plain<FrmFee>(), "D1_3", Kind::Time},
    {"tariff", plain<FrmFee>(), "DTPicker1", Kind::Date},
    {"settlement", plain<Jungsan>(), "DTPicker1", Kind::Date},
    {"settlement", plain<Jungsan>(), "DTPicker2", Kind::Date},
    {"equipment_test", EquipmentTest(), "DTPicker1", Kind::Date},
    {"equipment_test", EquipmentTest(), "DTPicker2", Kind::Time},
    {"equipment_test", EquipmentTest(), "DTPicker3", Kind::Date},
    {"equipment_test", EquipmentTest(), "DTPicker4", Kind::TimeWithSeconds},
    {"season_register", plain<FrmJung>(), "MaskEdBox1_1", Kind::Date},
    {"season_register", plain<FrmJung>(), "MaskEdBox1_2", Kind::Date},
    {"season_register", plain<FrmJung>(), "MaskEdBox1_3", Kind::Date},
    {"season_register", plain<FrmJung>(), "DTPicker1", Kind::Date},
    {"general_tickets", plain<FrmIlList>(), "MaskEdBox1", Kind::Date},
    {"season_passages", plain<FrmJioList>(), "MaskEdBox1", Kind::Date},
    {"refused_passages", plain<FrmBList>(), "MaskEdBox1", Kind::Date},
    {"refused_passages", plain<FrmBList>(), "MaskEdBox2", Kind::Date},
    {"cancelled_exits", plain<BingList>(), "DTPicker2", Kind::Date},
    {"ticket_entry", TicketEntry(), "MaskEdBox1", Kind::Date},
    {"ticket_entry", TicketEntry(), "MaskEdBox2", Kind::Time},
};

// How the field is entered: a click between two digits of its first or of
// its last section, or Tab from the control before it.
enum class Way { ClickInFirstSection, ClickInLastSection, Tab };

struct Typing {
    const char* typed;
    const char* expected;
};

// What is typed and what the field then holds, worked out by hand.
Typing TypingFor(Kind kind, bool separated)
{
    switch (kind) {
    case Kind::Date: return separated ? Typing{"2026-12-07", "2026-12-07"} : Typing{"20261207", "2026-12-07"};
    case Kind::Time: return separated ? Typing{"08:00", "08:00"} : Typing{"0800", "08:00"};
    case Kind::TimeWithSeconds: return separated ? Typing{"08:05:30", "08:05:30"} : Typing{"080530", "08:05:30"};
    }
    return {};
}

// The line of text a person clicks into.
QLineEdit* TextOf(QWidget* field)
{
    if (auto* e = qobject_cast<QLineEdit*>(field)) return e;
    return field->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
}

void ClickBeforeCharacter(QWidget* field, int index)
{
    QLineEdit* line = TextOf(field);
    ASSERT_NE(line, nullptr);
    line->setCursorPosition(index);
    const QPoint local = line->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QWidget* top = field->window();
    QWindow* handle = top->windowHandle();
    const QPoint at = line->mapTo(top, local);
    QTest::mouseClick(handle, Qt::LeftButton, {}, handle->mapFromGlobal(top->mapToGlobal(at)));
    QApplication::processEvents();
}

void PressThroughWindow(QWidget* top, Qt::Key key, Qt::KeyboardModifiers mods = {})
{
    QTest::keyClick(top->windowHandle(), key, mods);
    QApplication::processEvents();
}

void Enter(QWidget* field, Way way)
{
    QWidget* top = field->window();
    switch (way) {
    case Way::ClickInFirstSection: ClickBeforeCharacter(field, 1); break;
    // "yyyy-mm-dd": between the day's digits; "hh:nn": between the minutes'.
    case Way::ClickInLastSection: ClickBeforeCharacter(field, int(TextOf(field)->text().size()) - 1); break;
    case Way::Tab:
        // Back to the control before it, then Tab into it.
        field->setFocus();
        QApplication::processEvents();
        PressThroughWindow(top, Qt::Key_Backtab, Qt::ShiftModifier);
        ASSERT_FALSE(field->hasFocus());
        PressThroughWindow(top, Qt::Key_Tab);
        break;
    }
    ASSERT_TRUE(field->hasFocus());
}

QString HeldValue(QWidget* field, Kind kind)
{
    if (auto* d = qobject_cast<QDateEdit*>(field)) return d->date().toString(QStringLiteral("yyyy-MM-dd"));
    if (auto* t = qobject_cast<QTimeEdit*>(field))
        return t->time().toString(kind == Kind::TimeWithSeconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
    return qobject_cast<QLineEdit*>(field)->text();
}

struct Opened {
    test::AppRig app{QDateTime(QDate(2026, 3, 10), QTime(22, 0, 15))};
    std::unique_ptr<QWidget> screen;
    QWidget* field = nullptr;

    explicit Opened(const Field& f)
    {
        app.startUp();
        app.st.worker.WorkerName = QStringLiteral("관리자"); // the settlement's "영업현황" is the administrator's
        screen = f.make(app.st);
        test::ShowActive(*screen);
        field = screen->findChild<QWidget*>(QString::fromLatin1(f.name));
        // The exit reader's panel, as when a reader answers on port 9.
        if (field && !field->isEnabled()) field->parentWidget()->setEnabled(true);
    }
};

std::string FieldName(const Field& f) { return std::string(f.screen) + "_" + f.name; }

std::string TypingName(const ::testing::TestParamInfo<std::tuple<Field, Way, bool>>& info)
{
    const char* ways[] = {"ClickInFirst", "ClickInLast", "Tab"};
    const Way way = std::get<1>(info.param);
    return FieldName(std::get<0>(info.param)) + "_" + ways[int(way)] + (std::get<2>(info.param) ? "_Separated" : "_Digits");
}

class DateTimeTyping : public ::testing::TestWithParam<std::tuple<Field, Way, bool>> {};

TEST_P(DateTimeTyping, TypedDigitsSetTheField)
{
    const auto& [f, way, separated] = GetParam();
    Opened o(f);
    ASSERT_NE(o.field, nullptr);
    const Typing typing = TypingFor(f.kind, separated);
    Enter(o.field, way);
    test::TypeThroughWindow(o.screen.get(), QString::fromLatin1(typing.typed));
    EXPECT_EQ(HeldValue(o.field, f.kind).toStdString(), typing.expected);
}

INSTANTIATE_TEST_SUITE_P(Every, DateTimeTyping,
                         ::testing::Combine(::testing::ValuesIn(kFields),
                                            ::testing::Values(Way::ClickInFirstSection, Way::ClickInLastSection, Way::Tab),
                                            ::testing::Bool()),
                         TypingName);

// The shown text keeps the station's forms on a machine set to another locale.
std::string ShownName(const ::testing::TestParamInfo<std::tuple<Field, const char*>>& info)
{
    return FieldName(std::get<0>(info.param)) + "_" + std::get<1>(info.param);
}

class DateTimeShown : public ::testing::TestWithParam<std::tuple<Field, const char*>> {};

TEST_P(DateTimeShown, WhateverTheLocale)
{
    const auto& [f, locale] = GetParam();
    const QLocale before;
    QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
    {
        Opened o(f);
        ASSERT_NE(o.field, nullptr);
        const QString shown = TextOf(o.field)->text();
        const char* pattern[] = {"^[0-9]{4}-[0-9]{2}-[0-9]{2}$", "^[0-9]{2}:[0-9]{2}$", "^[0-9]{2}:[0-9]{2}:[0-9]{2}$"};
        EXPECT_TRUE(QRegularExpression(QString::fromLatin1(pattern[int(f.kind)])).match(shown).hasMatch())
            << shown.toStdString();
    }
    QLocale::setDefault(before);
}

INSTANTIATE_TEST_SUITE_P(Every, DateTimeShown,
                         ::testing::Combine(::testing::ValuesIn(kFields),
                                            ::testing::Values("en_US", "ar_EG")),
                         ShownName);

} // namespace
} // namespace tolvo
