#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <functional>

// The link lamp `Connect`: the state of a serial link (host or master) with a
// transmit and a receive lamp, a status text and an off-line / on-line picture.
namespace tolvo {

class Waits;

// VB colour values (0x00BBGGRR) as the lamp keeps them.
QColor VbColor(quint32 bgr);

class Connect {
public:
    Connect() = default;
    // The lamp widget and the station die in either order: tell the widget.
    ~Connect()
    {
        if (onGone) onGone();
    }
    Connect(const Connect&) = delete;
    Connect& operator=(const Connect&) = delete;

    static constexpr quint32 kGrey = 0x808080;   // lamps at creation
    static constexpr quint32 kSilver = 0xC0C0C0; // lamps idle after a wait
    static constexpr quint32 kRed = 255;         // transmit lamp while waiting

    const QString& ProcessNum() const { return m_processNum; }
    void setProcessNum(const QString& v) { m_processNum = v; }

    bool OnLine_Flag() const { return m_onLine; }
    void setOnLine_Flag(bool v) { m_onLine = v; }

    // Kept for the callers' sake; always reads "" and 0.
    QString Caption() const { return {}; }
    void setCaption(const QString&) {}
    quint32 ForeColor() const { return 0; }
    void setForeColor(quint32) {}

    bool Status() const { return m_status; }
    void setStatus(bool v);

    quint32 RxColor() const { return m_rxColor; }
    void setRxColor(quint32 c);
    quint32 TxColor() const { return m_txColor; }
    void setTxColor(quint32 c);

    const QFont& Font() const { return m_font; }
    void setFont(const QFont& f);

    // Waits up to pauseSeconds, running events, for the on-line flag. A
    // success sets the status on line; a time-out after the first one in the
    // lamp's life sets it off line.
    bool OnLine_Chk(Waits& waits, double pauseSeconds);

    // What the lamp shows.
    quint32 txLampColor() const { return m_txLamp; }
    quint32 rxLampColor() const { return m_rxLamp; }
    QString statusText() const;
    quint32 statusTextColor() const { return m_status ? 0 : kRed; }
    bool offLinePictureShown() const { return !m_status; }
    bool onLinePictureShown() const { return m_status; }

    // Called after every change of what the lamp shows (the widget repaints).
    std::function<void()> onChanged;
    // Called when this state is destroyed (the widget stops following it).
    std::function<void()> onGone;

private:
    void changed() const
    {
        if (onChanged) onChanged();
    }

    QString m_processNum;
    bool m_onLine = false;
    bool m_status = false;
    quint32 m_rxColor = 0;
    quint32 m_txColor = 0;
    quint32 m_txLamp = kGrey;
    quint32 m_rxLamp = kGrey;
    QFont m_font;
    qint16 m_missCount = 0;
};

} // namespace tolvo
