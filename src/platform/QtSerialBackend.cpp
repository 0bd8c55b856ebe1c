#include "platform/QtSerialBackend.h"

#include "base/Windows1252.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace lumivex {

namespace {

// "ttyUSB2" before "ttyUSB10", "COM2" before "COM10".
bool naturalLess(const QString& a, const QString& b)
{
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            const auto na = a.mid(i, ei - i).toULongLong();
            const auto nb = b.mid(j, ej - j).toULongLong();
            if (na != nb)
                return na < nb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

// Qt reports a port that another program holds as a permission error too (its lock file, or the
// exclusive flag the holder set): when the user may read and write the device, it is busy.
SerialBackend::OpenError openErrorOf(const QSerialPort& port, const QString& portName)
{
    using Failure = SerialBackend::OpenFailure;
    const std::string text = utf8ToWindows1252(port.errorString().toStdString());
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return {Failure::NotFound, text};
    case QSerialPort::PermissionError: {
#ifdef Q_OS_WIN
        // Windows denies access to a port that is open elsewhere; rights are not the cause.
        return {Failure::Busy, text};
#else
        const QFileInfo device(portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName);
        if (device.exists() && device.isReadable() && device.isWritable())
            return {Failure::Busy, text};
        return {Failure::PermissionDenied, text};
#endif
    }
    case QSerialPort::OpenError: // already open in this program
        return {Failure::Busy, text};
    default:
        return {Failure::Other, text};
    }
}

} // namespace

QtSerialBackend::QtSerialBackend()
{
    QObject::connect(
        &m_port, &QSerialPort::readyRead, &m_context,
        [this] {
            if (m_bytesArrived)
                m_bytesArrived();
        },
        Qt::QueuedConnection);
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_context,
        [this](QSerialPort::SerialPortError error) { noteError(error); });
}

QtSerialBackend::~QtSerialBackend()
{
    m_port.close();
}

void QtSerialBackend::noteError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError: // the driver said readable and gave nothing
        // A hung-up line does that for ever; a busy machine can also wake the reader once with
        // nothing there (EAGAIN), which is no reason to give the port up.
        if (lineHungUp())
            hangUp();
        else
            m_port.clearError();
        break;
    case QSerialPort::ResourceError: // EIO: the device went away
        hangUp();
        break;
    case QSerialPort::WriteError:
        m_errors |= CeIoe;
        break;
    default:
        break;
    }
}

bool QtSerialBackend::lineHungUp() const
{
#ifdef Q_OS_UNIX
    pollfd line {static_cast<int>(m_port.handle()), POLLIN, 0};
    if (line.fd < 0 || ::poll(&line, 1, 0) < 0)
        return true;
    return (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return true;
#endif
}

void QtSerialBackend::hangUp()
{
    if (m_hungUp || !m_port.isOpen())
        return;
    m_hungUp = true;
    m_errors |= CeIoe;
    if (!m_writing)
        closeAfterHangUp();
    QMetaObject::invokeMethod(
        &m_context,
        [this] {
            if (m_bytesArrived)
                m_bytesArrived();
        },
        Qt::QueuedConnection);
}

void QtSerialBackend::closeAfterHangUp()
{
    const QByteArray unread = m_port.readAll();
    m_leftover.append(unread.constData(), static_cast<std::size_t>(unread.size()));
    m_port.close();
    m_port.clearError();
}

bool QtSerialBackend::open(const std::string& portName)
{
    if (m_port.isOpen())
        m_port.close();
    m_port.setPortName(QString::fromLocal8Bit(portName.c_str()));
    m_errors = 0;
    m_hungUp = false;
    m_leftover.clear();
    const bool ok = m_port.open(QIODevice::ReadWrite);
    m_openError = ok ? OpenError {} : openErrorOf(m_port, QString::fromLocal8Bit(portName.c_str()));
    m_port.clearError();
    return ok;
}

bool QtSerialBackend::isOpen() const
{
    return m_port.isOpen();
}

bool QtSerialBackend::close()
{
    m_leftover.clear();
    if (!m_port.isOpen())
        return false;
    m_port.close();
    m_port.clearError();
    return !m_port.isOpen();
}

bool QtSerialBackend::setQueueSizes(std::uint32_t receive, std::uint32_t)
{
    m_port.setReadBufferSize(static_cast<qint64>(receive));
    return true;
}

bool QtSerialBackend::setWriteTimeout(std::chrono::milliseconds timeout)
{
    m_writeTimeout = timeout;
    return true;
}

bool QtSerialBackend::applyLineSettings(const LineSettings& settings)
{
    const auto parity = settings.parity == Parity::None ? QSerialPort::NoParity
        : settings.parity == Parity::Odd                ? QSerialPort::OddParity
                                                        : QSerialPort::EvenParity;
    const bool ok = m_port.setBaudRate(static_cast<qint32>(settings.baudRate))
        && m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) && m_port.setParity(parity)
        && m_port.setStopBits(settings.stopBits == StopBits::One ? QSerialPort::OneStop : QSerialPort::TwoStop)
        && m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.clearError();
    return ok;
}

bool QtSerialBackend::setDtr(bool on)
{
    const bool ok = m_port.setDataTerminalReady(on);
    m_port.clearError();
    return ok;
}

bool QtSerialBackend::setRts(bool on)
{
    const bool ok = m_port.setRequestToSend(on);
    m_port.clearError();
    return ok;
}

bool QtSerialBackend::purge(std::uint32_t purgeFlags)
{
    if (!m_port.isOpen())
        return false;
    QSerialPort::Directions directions;
    if (purgeFlags & (PurgeRxAbort | PurgeRxClear))
        directions |= QSerialPort::Input;
    if (purgeFlags & (PurgeTxAbort | PurgeTxClear))
        directions |= QSerialPort::Output;
    return directions == QSerialPort::Directions() || m_port.clear(directions);
}

bool QtSerialBackend::write(const char* data, std::size_t size)
{
    if (!m_port.isOpen())
        return false;
    // Qt may find the hang-up while it waits below; the port is closed only after it returns.
    m_writing = true;
    bool ok = m_port.write(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
    // Bounded: the write waits for the driver at most the write time-out, never longer.
    QDeadlineTimer deadline(m_writeTimeout.count());
    while (ok && !m_hungUp && m_port.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !m_port.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            ok = m_port.bytesToWrite() == 0;
    }
    m_writing = false;
    if (m_hungUp) {
        if (m_port.isOpen())
            closeAfterHangUp();
        return false;
    }
    return ok;
}

std::size_t QtSerialBackend::bytesQueued()
{
    return m_leftover.size() + (m_port.isOpen() ? static_cast<std::size_t>(m_port.bytesAvailable()) : 0);
}

std::size_t QtSerialBackend::read(char* buffer, std::size_t maxBytes)
{
    const std::size_t own = std::min(maxBytes, m_leftover.size());
    std::copy_n(m_leftover.begin(), own, buffer);
    m_leftover.erase(0, own);
    if (own == maxBytes || !m_port.isOpen())
        return own;
    const qint64 count = m_port.read(buffer + own, static_cast<qint64>(maxBytes - own));
    if (count < 0) {
        m_errors |= CeIoe;
        return own;
    }
    return own + static_cast<std::size_t>(count);
}

std::uint32_t QtSerialBackend::takeErrors()
{
    return std::exchange(m_errors, 0u);
}

void QtSerialBackend::setBytesArrivedCallback(std::function<void()> callback)
{
    m_bytesArrived = std::move(callback);
}

std::vector<std::string> QtSerialBackend::availablePorts() const
{
    auto infos = QSerialPortInfo::availablePorts();
    std::sort(infos.begin(), infos.end(),
        [](const QSerialPortInfo& a, const QSerialPortInfo& b) { return naturalLess(a.portName(), b.portName()); });
    std::vector<std::string> names;
    for (const auto& info : infos)
        names.push_back(info.systemLocation().toLocal8Bit().toStdString());
    return names;
}

bool QtSerialBackend::isPortName(const std::string& name) const
{
    if (name.rfind("/dev/", 0) == 0)
        return true;
    const auto qname = QString::fromLocal8Bit(name.c_str());
    for (const auto& info : QSerialPortInfo::availablePorts()) {
        if (info.portName() == qname || info.systemLocation() == qname)
            return true;
    }
    return false;
}

} // namespace lumivex
