#pragma once

#include <QDialog>
#include <QString>
#include <optional>

class QLabel;
class QSqlDatabase;
class QTimer;

// The key-capture dialog "사용키 입력": the key is pressed twice, and only a
// second entry that matches the first is handed over.
namespace tolvo {

struct CapturedKey {
    QString text; // entry text, e.g. "ALT + A"
    int keyCode = 0;
    int shift = 0;
};

// The dialog's state without widgets.
class KeyCaptureLogic {
public:
    static inline const QString kPrompt = QStringLiteral("사용할 키를 입력하세요!");
    static inline const QString kRepeat = QStringLiteral("재입력 하시기 바랍니다!");
    static inline const QString kDone = QStringLiteral("키입력이 완료되었습니다.");
    static inline const QString kMismatch = QStringLiteral("키입력오류 재시도 하시기 바랍니다.");

    // A released key (Windows key code and shift mask).
    void keyUp(int keyCode, int shift);
    // "재시도": start over.
    void retry();

    const QString& prompt() const { return m_prompt; }
    const QString& firstText() const { return m_first; }
    const QString& secondText() const { return m_second; }
    int savedKeyCode() const { return m_keyCode; }
    int savedShift() const { return m_shift; }
    // Both entries given (the picture stops blinking).
    bool finished() const { return m_finished; }
    // The key to hand over: only after a second entry that matched the first.
    std::optional<CapturedKey> result() const;

private:
    QString m_prompt = kPrompt;
    QString m_first;
    QString m_second;
    int m_keyCode = 0;
    int m_shift = 0;
    bool m_finished = false;
    bool m_matched = false;
};

// The dialog `Dialog`. Its key releases go to KeyCaptureLogic whichever
// child has the focus.
class KeyCaptureDialog : public QDialog {
    Q_OBJECT
public:
    explicit KeyCaptureDialog(const QSqlDatabase* db, QWidget* parent = nullptr);
    ~KeyCaptureDialog() override;

    const KeyCaptureLogic& logic() const { return m_logic; }
    // Set when "확인" was pressed after a matching second entry.
    const std::optional<CapturedKey>& captured() const { return m_captured; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void handleRelease(QKeyEvent* e);
    void onRetry();
    void onOk();
    void refresh();

    KeyCaptureLogic m_logic;
    std::optional<CapturedKey> m_captured;
    QLabel* m_label1 = nullptr;
    QLabel* m_first = nullptr;
    QLabel* m_second = nullptr;
    QLabel* m_image = nullptr;
    QTimer* m_timer = nullptr;
};

// Shows the dialog modally; the key when "확인" confirmed a matching entry.
std::optional<CapturedKey> CaptureKey(const QSqlDatabase* db, QWidget* parent = nullptr);

} // namespace tolvo
