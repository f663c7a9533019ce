#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The key-settings logic behind FrmKey: discount keys (할인키) and function keys
// (기능키), with one key chord belonging to at most one row of the two tables.
namespace tolvo {

struct Station;

struct KeyChord {
    qint16 code = 0;  // 키코드1
    qint16 shift = 0; // 키코드2
    friend bool operator==(const KeyChord&, const KeyChord&) = default;
};

// The six discount kinds in code order and the thirty functions.
const QStringList& DiscountKindTexts();
const QStringList& FunctionTexts();
// The caption line of a discount row (1 or 2) with the unit of its kind.
QString DiscRowCaption(int row, int kind);
// Whether a kind takes a rate (the rate box is enabled).
bool DiscKindTakesRate(int kind);

// What the discount panel holds.
struct DiscPanel {
    QString name;     // Txt1
    QString keyText;  // Label3
    KeyChord key;     // KeyCodeA
    int kind1 = 0;    // Combo1
    QString rate1 = QStringLiteral("0"); // Txt3
    int kind2 = 0;    // Combo2
    QString rate2 = QStringLiteral("0"); // Txt4
    bool use = false;    // Check1_0
    bool coupon = false; // Check1_1
};

// What the function panel holds.
struct FuncPanel {
    int function = 0; // Combo3
    QString keyText;  // Label6
    KeyChord key;     // KeyCodeB
    bool use = false; // Check1_2
};

// A row of 할인키 as the grid shows it.
struct DiscRow {
    QString name;
    KeyChord key;
    QString keyText;
    int kind1 = 0;
    qint32 rate1 = 0;
    int kind2 = 0;
    qint32 rate2 = 0;
    bool use = false;
    bool coupon = false;
};

// A row of 기능키 as the grid shows it.
struct FuncRow {
    QString name;
    int function = 0;
    KeyChord key;
    QString keyText;
    bool use = false;
};

// Where the screen puts the focus after an action.
enum class KeyFocus { Stay, Txt1, Command1, Txt3, Txt4, Combo3, Command3 };

// The result of a button: done (the panel is cleared and the grid re-read) or
// refused/failed (a message was shown; the panel keeps its fields).
struct KeyAction {
    bool done = false;
    KeyFocus focus = KeyFocus::Stay;
};

class KeyEditor {
public:
    explicit KeyEditor(Station& st) : m_st(st) {}

    // Rows of the two grids, ordered by 키코드2, 키코드1. Throw DbError.
    std::vector<DiscRow> discRows() const;
    std::vector<FuncRow> funcRows() const;

    // A grid row into its panel; editing mode starts.
    DiscPanel loadDiscRow(const DiscRow& row);
    FuncPanel loadFuncRow(const FuncRow& row);

    // The discount panel's buttons. Each validates first.
    KeyAction saveDisc(const DiscPanel& p);
    KeyAction deleteDisc(const DiscPanel& p);
    KeyAction cancelDisc(const DiscPanel& p);
    // The function panel's buttons. Each validates first.
    KeyAction saveFunc(const FuncPanel& p);
    KeyAction deleteFunc(const FuncPanel& p);

    // The panels' state after a clear (new-key mode).
    void clearDisc();
    void clearFunc();

    // "종료": the notice after discount-key changes.
    void exitButton();
    // Every closing: the active discount keys are reloaded. A failure is shown.
    void closed();

    bool discEditing() const { return m_discEditing; }
    bool funcEditing() const { return m_funcEditing; }
    bool discChanged() const { return m_discChanged; }
    KeyChord discLoadedKey() const { return m_discLoaded; }
    KeyChord funcLoadedKey() const { return m_funcLoaded; }

    // The validation of the discount panel: the failing test's focus, or nothing.
    std::optional<KeyFocus> checkDiscInput(const DiscPanel& p) const;
    std::optional<KeyFocus> checkFuncInput(const FuncPanel& p) const;
    // The refusal text when the chord belongs to a row other than `own`
    // (the row being edited, in its table), else nothing.
    std::optional<QString> chordOwner(KeyChord key, std::optional<KeyChord> ownDisc,
                                      std::optional<KeyChord> ownFunc) const;

private:
    bool refuseTakenChord(KeyChord key, std::optional<KeyChord> ownDisc, std::optional<KeyChord> ownFunc) const;
    void saveFailed(const QString& error) const;

    Station& m_st;
    bool m_discEditing = false;
    bool m_funcEditing = false;
    bool m_discChanged = false;
    KeyChord m_discLoaded;
    KeyChord m_funcLoaded;
};

} // namespace tolvo
