#pragma once

#include <QByteArray>
#include <QSerialPort>
#include <QString>
#include <functional>
#include <memory>

namespace tolvo {

// Line settings parsed from the control's settings text ("9600,N,8,1").
struct SerialSettings {
    qint32 baud = 9600;
    char parity = 'N';   // N, E, O, M, S
    int dataBits = 8;    // 5..8
    int stopBits = 1;    // 1 or 2
};

// Parses "baud,parity,data,stop"; false when the text is malformed.
bool ParseSerialSettings(const QString& text, SerialSettings& out);
// The line's parity for a parsed settings letter.
QSerialPort::Parity ToQtParity(char parity);

// One serial port, shaped like the control the station drives: open with a
// settings text, output bytes, read all that has arrived, drive DTR/RTS, read
// DSR/CTS. The owner learns of arriving bytes through onReadyRead, which may be
// called from inside the platform's notifier and must only post work.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    virtual bool open(const QString& path, const SerialSettings& settings) = 0;
    // Why the last open failed, as the platform words it.
    virtual QString errorString() const = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString path() const = 0;
    // Writes and flushes at once.
    virtual void write(const QByteArray& bytes) = 0;
    virtual QByteArray readAll() = 0;
    virtual void setDtr(bool on) = 0;
    virtual void setRts(bool on) = 0;
    virtual bool dsr() const = 0;
    virtual bool cts() const = 0;

    std::function<void()> onReadyRead;
    // Called once when the platform closed the port because its device went away.
    std::function<void()> onLost;
};

class SerialPortFactory {
public:
    virtual ~SerialPortFactory() = default;
    virtual std::unique_ptr<SerialPort> create() = 0;
};

// The real ports, through QSerialPort.
class QtSerialPortFactory : public SerialPortFactory {
public:
    std::unique_ptr<SerialPort> create() override;
};

} // namespace tolvo
