#include "widgets/DateTimeFields.h"

#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QTest>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

enum class Kind { Date, Time, TimeWithSeconds };

// A field and a text box after it, the field entered by Tab.
struct Form {
    explicit Form(Kind kind)
    {
        auto* layout = new QVBoxLayout(&w);
        if (kind == Kind::Date) {
            date = new QDateEdit(QDate(2026, 1, 31), &w);
            DateField(date);
            field = date;
        } else {
            time = new QTimeEdit(QTime(22, 0, 15), &w);
            TimeField(time, kind == Kind::TimeWithSeconds ? TimeShown::WithSeconds : TimeShown::HoursMinutes);
            field = time;
        }
        next = new QLineEdit(&w);
        layout->addWidget(field);
        layout->addWidget(next);
        w.show();
        QApplication::setActiveWindow(&w);
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }

    // "|" stands for Tab, "<" for Backspace, "^" for Enter, "*" for a click on the box after the field,
    // "@" for the 한/영 key and "#" for the 한자 key (as a Korean keyboard gives them on X11).
    // ":" is typed with Shift held: QTest presses Shift before the key and lets it go after.
    void type(const char* keys)
    {
        for (const char* k = keys; *k; ++k) {
            QWidget* focus = QApplication::focusWidget();
            if (*k == '|') QTest::keyClick(focus, Qt::Key_Tab);
            else if (*k == '<') QTest::keyClick(focus, Qt::Key_Backspace);
            else if (*k == '^') QTest::keyClick(focus, Qt::Key_Return);
            else if (*k == '*') QTest::mouseClick(next, Qt::LeftButton);
            else if (*k == '@') QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_Hangul, QString(), Qt::NoModifier);
            else if (*k == '#') QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_Hangul_Hanja, QString(), Qt::NoModifier);
            else QTest::keyClick(focus, *k, *k == ':' ? Qt::ShiftModifier : Qt::NoModifier);
            QApplication::processEvents();
        }
    }

    QString held() const
    {
        if (date) return date->date().toString(QStringLiteral("yyyy-MM-dd"));
        return time->time().toString(time->displayFormat());
    }

    QWidget w;
    QDateEdit* date = nullptr;
    QTimeEdit* time = nullptr;
    QAbstractSpinBox* field = nullptr;
    QLineEdit* next = nullptr;
};

} // namespace

TEST(DateTimeFields, TypedEntriesOfATable)
{
    // Fields start at 2026-01-31 and 22:00:15.
    struct Row { Kind kind; const char* keys; const char* held; const char* shown; };
    const Row rows[] = {
        {Kind::Time, "0800", "08:00", "08:00"},
        {Kind::Time, "08", "08:00", "08:00"},              // so far typed, so far taken
        {Kind::Time, "2500", "22:00", "22:00"},            // no time of day: the field keeps its value
        {Kind::Time, "083<15", "08:15", "08:15"},          // Backspace takes back the last digit
        {Kind::Time, "08001230", "12:30", "12:30"},        // a second entry after a whole one
        {Kind::Time, "0800|", "08:00", "08:00"},
        {Kind::TimeWithSeconds, "0800|", "08:00:00", "08:00:00"},
        {Kind::TimeWithSeconds, "08:05:30", "08:05:30", "08:05:30"},
        {Kind::Date, "20260228", "2026-02-28", "2026-02-28"}, // past 2026-02-31 on the way
        {Kind::Date, "20260230", "2026-01-31", "2026-01-31"}, // no such day: the field keeps its value
        {Kind::Date, "2026/12/07", "2026-12-07", "2026-12-07"},
        {Kind::Time, "07:45", "07:45", "07:45"},
        // the language keys type nothing: the entry goes on
        {Kind::Time, "07@45", "07:45", "07:45"},
        {Kind::Date, "2026#1207", "2026-12-07", "2026-12-07"},
        // left before whole: the value from before, except a time's whole hours (or minutes)
        {Kind::Date, "2027|", "2026-01-31", "2026-01-31"},
        {Kind::Date, "3|", "2026-01-31", "2026-01-31"},
        {Kind::Date, "15^", "2026-01-31", "2026-01-31"},
        {Kind::Date, "202612*", "2026-01-31", "2026-01-31"},
        {Kind::Time, "1|", "22:00", "22:00"},
        {Kind::Time, "083*", "22:00", "22:00"},
        {Kind::Time, "08|", "08:00", "08:00"},
        {Kind::TimeWithSeconds, "08:05|", "08:05:00", "08:05:00"},
    };
    for (const Row& r : rows) {
        Form f(r.kind);
        f.type(r.keys);
        EXPECT_EQ(f.held().toStdString(), r.held) << r.keys;
        EXPECT_EQ(f.field->text().toStdString(), r.shown) << r.keys;
    }
}

TEST(DateTimeFields, TabLeavesTheFieldFromAnySection)
{
    for (const Kind kind : {Kind::Date, Kind::Time, Kind::TimeWithSeconds}) {
        Form f(kind);
        f.type("|");
        EXPECT_TRUE(f.next->hasFocus()) << int(kind);
        QTest::keyClick(f.next, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_TRUE(f.field->hasFocus()) << int(kind);
    }
}
