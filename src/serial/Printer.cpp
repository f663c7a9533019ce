#include "serial/Printer.h"


#include "platform/Cp949.h"
#include "platform/PrivateFiles.h"
#include "serial/Comm.h"
#include "core/Station.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>
#include <optional>

namespace tolvo {

namespace {

constexpr int LptWriteTimeoutMs = 3000;
const char* const LptFaultText = "프린터 오류 :  영수증 프린터에 이상이 있습니다. 점검 하시기 바랍니다.";

struct PrinterRow {
    QString port;  // PORT
    QString model; // 기종
    bool use = false;
};

bool toBool(const QVariant& v)
{
    if (v.isNull() || !v.isValid()) return false;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d != 0 : v.toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

// The first row of 영수증프린터, read afresh on every call.
std::optional<PrinterRow> printerRow(Station& st)
{
    QSqlQuery q(st.Db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT * FROM 영수증프린터")) || !q.next()) return std::nullopt;
    const QSqlRecord r = q.record();
    auto field = [&](const QString& name) {
        const int k = r.indexOf(name);
        return k < 0 ? QVariant() : q.value(k);
    };
    return PrinterRow{field(QStringLiteral("PORT")).toString(), field(QStringLiteral("기종")).toString(),
                      toBool(field(QStringLiteral("사용여부")))};
}

quint8 modelCode(const QString& model)
{
    static const std::pair<const char*, quint8> models[] = {
        {"CBM-720", 1}, {"CP-300", 2}, {"TM-300", 3}, {"STAR-300", 4}, {"TM-T88", 5}, {"WRP-100P", 5}};
    for (const auto& [name, code] : models)
        if (model == QLatin1String(name)) return code;
    return 0;
}

struct Codes {
    QByteArray drawer, cut, large, normal;
};

Codes codesOf(quint8 model, quint8 cutArg)
{
    switch (model) {
    case 1: return {"\x1B\x4F", QByteArray("\x1B\x50", 2) + char(cutArg), "\x0E", "\x0F"};
    case 2: return {"\x07", "\x1B\x50\x30", "\x0E", "\x14"};
    case 3: return {"\x1B\x70", "\x1B\x69", "\x1B\x21\x20", QByteArray("\x1B\x21\x00", 3)};
    case 4: return {"\x07", "\x1B\x50\x30", "\x0E", "\x0F"};
    case 5: return {QByteArray("\x1B\x70\x00\x80\x80", 5), QByteArray("\x1D\x56\x00", 3), "\x1B\x21\x20",
                    QByteArray("\x1B\x21\x00", 3)};
    default: return {};
    }
}

bool isLpt(const QString& port) { return port == QLatin1String("LPT1") || port == QLatin1String("LPT2"); }

// A USB printer's driver gives the printer-class status (bit 3 no error, bit 4
// selected, bit 5 paper empty), not the parallel status register.
bool isUsbPrinter(const QString& path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return (real.isEmpty() ? path : real).startsWith(QLatin1String("/dev/usb/"));
}

bool statusReady(const QString& path, quint8 s)
{
    if (isUsbPrinter(path)) return (s & 0x18) == 0x18 && !(s & 0x20);
    return (s & 0x80) && (s & 0x50) == 0x50 && !(s & 0x20);
}

// Sends one piece by the printer's port kind; a day file takes no control bytes.
void sendBytes(Station& st, const PrinterRow& row, const QByteArray& bytes)
{
    if (!st.comm || bytes.isEmpty()) return;
    if (row.port == QLatin1String("Rs232c")) {
        st.comm->Output(PortPrinter, bytes);
        return;
    }
    if (!isLpt(row.port)) return;
    PrintJob& job = st.comm->printJob;
    if (!job.lpt || job.failed) return;
    if (!job.lpt->write(bytes, LptWriteTimeoutMs)) {
        // Offline or out of paper: end the job once; the caller goes on.
        job.failed = true;
        job.lpt->close();
        job.lpt.reset();
        st.msgs.Msg_Box(QString::fromUtf8(LptFaultText), QStringLiteral("Tarvola"));
    }
}

QString lptOpenFailure(const QString& port)
{
    if (port == QLatin1String("LPT1"))
        return QStringLiteral("영수증 프린터가 LPT1으로 설정되어 있으나  LPT1이 오픈되지 않습니다.\r\n시스템을 재부팅 하십시요!");
    return QStringLiteral("영수증 프린터가 LPT2로 설정되어 있으나  LPT2가 오픈되지 않습니다.\r\n시스템을 재부팅 하십시요!");
}

} // namespace

quint8 Printer_Model(Station& st)
{
    const auto row = printerRow(st);
    return row ? modelCode(row->model) : 0;
}

bool Lpt_Status(Station& st, int lpt)
{
    if (!st.comm || (lpt != 1 && lpt != 2)) return false;
    auto dev = st.comm->lptFactory().create();
    const QString path = PortDevicePath(st.IniPath, QStringLiteral("LPT%1").arg(lpt));
    if (!dev || !dev->open(path)) return false;
    const auto s = dev->status();
    return s && statusReady(path, *s);
}

bool Printer_Open(Station& st)
{
    const auto row = printerRow(st);
    if (!row || !st.comm) return false;
    if (row->port == QLatin1String("Rs232c")) {
        if (!row->use) return false;
        if (st.comm->PortOpen(PortPrinter)) return true;
        st.msgs.Msg_Box(QStringLiteral("영수증 프린터가 Rs232로 설정되어 있으나 포트를 정상적으로 사용할 수 없습니다.\r\n"
                                       "주메뉴에서 Comm포트설정을 확인하세요!"),
                        QStringLiteral("Tarvola"));
        return false;
    }
    if (isLpt(row->port)) {
        Printer_Release(st);
        auto dev = st.comm->lptFactory().create();
        const QString path = PortDevicePath(st.IniPath, row->port);
        if (!dev || !dev->open(path)) {
            st.msgs.Msg_Box(lptOpenFailure(row->port), QStringLiteral("Tarvola"));
            return false;
        }
        // The status of the device being opened, not always the first port's.
        const auto s = dev->status();
        if (!s || !statusReady(path, *s)) {
            st.msgs.Msg_Box(QString::fromUtf8(LptFaultText), QStringLiteral("Tarvola"));
            return false;
        }
        st.comm->printJob.lpt = std::move(dev);
        st.comm->printJob.failed = false;
        return true;
    }
    return row->port == QLatin1String("FILE");
}

void Printer_Release(Station& st)
{
    if (!st.comm) return;
    PrintJob& job = st.comm->printJob;
    if (job.lpt) job.lpt->close();
    job.lpt.reset();
    job.failed = false;
}

void Printer_Print(Station& st, const QString& text, quint8 large)
{
    const auto row = printerRow(st);
    if (!row) return;
    const quint8 m = modelCode(row->model);
    if (m == 0) return;
    if (row->port == QLatin1String("FILE")) {
        Print_ToFile(st, text);
        return;
    }
    const Codes c = codesOf(m, 0);
    sendBytes(st, *row, large ? c.large : c.normal);
    sendBytes(st, *row, cp949::encode(text) + '\n');
}

void Printer_Feed(Station& st, quint8 count)
{
    const auto row = printerRow(st);
    if (!row || modelCode(row->model) == 0 || count == 0) return;
    sendBytes(st, *row, QByteArray(count, '\n'));
}

void Printer_Cut(Station& st, quint8 n)
{
    const auto row = printerRow(st);
    if (!row) return;
    const QByteArray cut = codesOf(modelCode(row->model), n).cut;
    Printer_Feed(st, 5);
    sendBytes(st, *row, cut);
}

void Printer_OpenDrawer(Station& st)
{
    const auto row = printerRow(st);
    if (!row || !Printer_Open(st)) return;
    sendBytes(st, *row, codesOf(modelCode(row->model), 0).drawer);
    Printer_Release(st);
}

void Print_ToFile(Station& st, const QString& text)
{
    const QString dir = st.DataPath.isEmpty() ? st.AppPath + QStringLiteral("/Data/") : st.DataPath;
    MakePrivateFolder(dir);
    QFile f(dir + st.clock.now().date().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".txt"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    f.write(cp949::encode(text) + "\r\n");
}

PrintOp PrintLine(const QString& text, quint8 large) { return {PrintOp::Line, text, large, 0}; }
PrintOp PrintFeed(quint8 count) { return {PrintOp::Feed, {}, 0, count}; }
PrintOp PrintCut(quint8 n) { return {PrintOp::Cut, {}, 0, n}; }

void Printer_Play(Station& st, const PrintOps& ops)
{
    for (const PrintOp& op : ops) {
        switch (op.kind) {
        case PrintOp::Line: Printer_Print(st, op.text, op.large); break;
        case PrintOp::Feed: Printer_Feed(st, op.n); break;
        case PrintOp::Cut: Printer_Cut(st, op.n); break;
        }
    }
}

} // namespace tolvo
