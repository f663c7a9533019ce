#include "platform/SerialPort.h"

#include <QSerialPort>
#include <QStringList>

namespace tolvo {

bool ParseSerialSettings(const QString& text, SerialSettings& out)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return false;
    bool ok = false;
    SerialSettings s;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0) return false;
    const QString parity = parts[1].trimmed().toUpper();
    if (parity.size() != 1 || !QStringLiteral("NEOMS").contains(parity)) return false;
    s.parity = parity[0].toLatin1();
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8) return false;
    s.stopBits = parts[3].trimmed().toInt(&ok);
    if (!ok || (s.stopBits != 1 && s.stopBits != 2)) return false;
    out = s;
    return true;
}

QSerialPort::Parity ToQtParity(char p)
{
    switch (p) {
    case 'E': return QSerialPort::EvenParity;
    case 'O': return QSerialPort::OddParity;
    case 'M': return QSerialPort::MarkParity;
    case 'S': return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
    }
}

namespace {

class QtSerialPort : public SerialPort {
public:
    QtSerialPort()
    {
        QObject::connect(&m_port, &QSerialPort::readyRead, [this] {
            if (onReadyRead) onReadyRead();
        });
        // A device that went away fails every retry of the pending write; left
        // open, the port keeps the event loop spinning. It is closed instead (after
        // the failing call has returned), so the device is silent until reopened.
        QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port, [this](QSerialPort::SerialPortError e) {
            if (!isFatal(e)) return;
            QMetaObject::invokeMethod(&m_port, [this] {
                if (!m_port.isOpen()) return;
                close();
                if (onLost) onLost();
            }, Qt::QueuedConnection);
        });
    }

    bool open(const QString& path, const SerialSettings& s) override
    {
        m_port.setPortName(path);
        if (!m_port.open(QIODevice::ReadWrite)) return false;
        const bool ok = m_port.setBaudRate(s.baud) && m_port.setParity(ToQtParity(s.parity))
            && m_port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits))
            && m_port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)
            && m_port.setFlowControl(QSerialPort::NoFlowControl);
        if (!ok) {
            m_port.close();
            return false;
        }
        m_path = path;
        return true;
    }
    QString errorString() const override { return m_port.errorString(); }
    void close() override
    {
        if (m_port.isOpen()) m_port.close();
        m_path.clear();
    }
    bool isOpen() const override { return m_port.isOpen(); }
    QString path() const override { return m_path; }
    void write(const QByteArray& bytes) override
    {
        if (!m_port.isOpen() || bytes.isEmpty()) return;
        m_port.write(bytes);
        m_port.flush();
        if (m_port.bytesToWrite() > 0) m_port.waitForBytesWritten(500);
    }
    QByteArray readAll() override { return m_port.isOpen() ? m_port.readAll() : QByteArray(); }
    // Pseudo-terminals refuse the modem lines; that is not an error of ours.
    void setDtr(bool on) override
    {
        if (m_port.isOpen()) m_port.setDataTerminalReady(on);
    }
    void setRts(bool on) override
    {
        if (m_port.isOpen()) m_port.setRequestToSend(on);
    }
    bool dsr() const override { return pins() & QSerialPort::DataSetReadySignal; }
    bool cts() const override { return pins() & QSerialPort::ClearToSendSignal; }

private:
    static bool isFatal(QSerialPort::SerialPortError e)
    {
        return e == QSerialPort::ResourceError || e == QSerialPort::WriteError;
    }

    QSerialPort::PinoutSignals pins() const
    {
        if (!m_port.isOpen()) return QSerialPort::NoSignal;
        return const_cast<QSerialPort&>(m_port).pinoutSignals();
    }

    QSerialPort m_port;
    QString m_path;
};

} // namespace

std::unique_ptr<SerialPort> QtSerialPortFactory::create() { return std::make_unique<QtSerialPort>(); }

} // namespace tolvo
