// lumivex-sim: the simulated sensor device on a pseudo-terminal or a real serial port, so that the
// program's real serial code can be tried and tested end to end without the hardware.
#include "platform/QtScheduler.h"
#include "sim/SimOptions.h"
#include "sim/SimulatedDevice.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <QSocketNotifier>

#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

using namespace lumivex;

constexpr std::size_t kMaxUnsent = 1 << 20; // what a pty nobody reads may hold back before we drop

// One line the device is served on: bytes in go to the device, the device's bytes go out.
class Line {
public:
    virtual ~Line() = default;
    virtual void send(std::string_view bytes) = 0;
};

std::string printableTrace(std::string_view text)
{
    std::string out;
    for (const unsigned char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c < 0x20 || c >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

#ifdef Q_OS_UNIX

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

// Ctrl-C and SIGTERM end the event loop through a self-pipe: the handler only writes a byte.
bool installSignalPipe(QCoreApplication& app)
{
    if (::pipe(g_signalPipe) != 0)
        return false;
    for (const int fd : g_signalPipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
    }
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char drain[16];
        while (::read(g_signalPipe[0], drain, sizeof drain) > 0) { }
        app.quit();
    });
    return true;
}

// A new pseudo-terminal. We keep the slave side open ourselves, so that the master does not
// report a hang-up (and wake the notifier without end) while no client has the slave open.
class PtyLine final : public Line {
public:
    bool open(std::string& error)
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            error = "no pseudo-terminal could be opened";
            return false;
        }
        const char* name = ::ptsname(m_master);
        if (name == nullptr) {
            error = "the pseudo-terminal has no name";
            return false;
        }
        m_path = name;
        m_slave = ::open(m_path.c_str(), O_RDWR | O_NOCTTY);
        termios settings {};
        if (m_slave < 0 || ::tcgetattr(m_slave, &settings) != 0) {
            error = "the pseudo-terminal " + m_path + " could not be set up";
            return false;
        }
        // Raw: the line discipline must neither translate CR and LF nor echo the requests.
        ::cfmakeraw(&settings);
        ::tcsetattr(m_slave, TCSANOW, &settings);
        ::fcntl(m_master, F_SETFL, O_NONBLOCK);
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
        return true;
    }

    void serve(std::function<void(std::string_view)> received, std::function<void(std::string)> failed)
    {
        m_read = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_read.get(), &QSocketNotifier::activated, [this, received, failed] {
            char buffer[4096];
            for (;;) {
                const auto n = ::read(m_master, buffer, sizeof buffer);
                if (n > 0) {
                    received(std::string_view(buffer, static_cast<std::size_t>(n)));
                    continue;
                }
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    return;
                m_read->setEnabled(false);
                failed("reading the pseudo-terminal failed");
                return;
            }
        });
        m_write = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
        m_write->setEnabled(false);
        QObject::connect(m_write.get(), &QSocketNotifier::activated, [this] { drain(); });
    }

    void send(std::string_view bytes) override
    {
        if (m_unsent.size() + bytes.size() > kMaxUnsent)
            return; // nobody has read for a long time: the line drops what it cannot hold
        m_unsent.append(bytes);
        drain();
    }

    const std::string& path() const { return m_path; }

    ~PtyLine() override
    {
        m_read.reset();
        m_write.reset();
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }

private:
    void drain()
    {
        while (!m_unsent.empty()) {
            const auto n = ::write(m_master, m_unsent.data(), m_unsent.size());
            if (n > 0) {
                m_unsent.erase(0, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            break; // full (or broken): wait until the master can take more
        }
        if (m_write)
            m_write->setEnabled(!m_unsent.empty());
    }

    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    std::string m_unsent;
    std::unique_ptr<QSocketNotifier> m_read;
    std::unique_ptr<QSocketNotifier> m_write;
};

#endif

class PortLine final : public Line {
public:
    bool open(const std::string& name, int baud, std::string& error)
    {
        m_port.setPortName(QString::fromLocal8Bit(name.c_str()));
        if (!m_port.open(QIODevice::ReadWrite)) {
            error = "the serial port " + name + " could not be opened: " + m_port.errorString().toStdString();
            return false;
        }
        m_port.setBaudRate(baud);
        m_port.setDataBits(QSerialPort::Data8);
        m_port.setParity(QSerialPort::NoParity);
        m_port.setStopBits(QSerialPort::OneStop);
        m_port.setFlowControl(QSerialPort::NoFlowControl);
        return true;
    }

    void serve(std::function<void(std::string_view)> received, std::function<void(std::string)> failed)
    {
        QObject::connect(&m_port, &QSerialPort::readyRead, [this, received] {
            const QByteArray bytes = m_port.readAll();
            received(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        });
        QObject::connect(&m_port, &QSerialPort::errorOccurred, [this, failed](QSerialPort::SerialPortError e) {
            if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError || e == QSerialPort::WriteError)
                failed("the serial port failed: " + m_port.errorString().toStdString());
        });
    }

    void send(std::string_view bytes) override { m_port.write(bytes.data(), static_cast<qint64>(bytes.size())); }

private:
    QSerialPort m_port;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The device's printf formats need the C locale, whatever the user's is.
    std::setlocale(LC_NUMERIC, "C");

    std::vector<std::string> args(argv + 1, argv + argc);
    SimProgramOptions options;
    if (const std::string problem = parseSimProgramOptions(args, options); !problem.empty()) {
        std::fprintf(stderr, "lumivex-sim: %s\nTry 'lumivex-sim --help' for the options.\n", problem.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(simProgramHelp().c_str(), stdout);
        return 0;
    }

    QtScheduler scheduler;
    SimulatedDevice device(scheduler, options.device);
    int exitCode = 0;
    const auto fail = [&app, &exitCode](const std::string& message) {
        std::fprintf(stderr, "lumivex-sim: %s\n", message.c_str());
        exitCode = 1;
        app.exit(1);
    };
    if (options.verbose) {
        device.setTrace([](std::string_view direction, std::string_view text) {
            std::fprintf(stderr, "%.*s %s\n", static_cast<int>(direction.size()), direction.data(),
                printableTrace(text).c_str());
        });
    }
    device.setDisconnectedCallback([&app, &device] {
        const int answered = device.requestCount() - 1;
        std::fprintf(
            stderr, "lumivex-sim: the device vanished after %d request%s\n", answered, answered == 1 ? "" : "s");
        app.exit(0);
    });

    std::unique_ptr<Line> line;
    std::string error;
    const auto received = [&device](std::string_view bytes) { device.receive(bytes); };
    if (options.pty) {
#ifdef Q_OS_UNIX
        auto pty = std::make_unique<PtyLine>();
        if (!pty->open(error)) {
            std::fprintf(stderr, "lumivex-sim: %s\n", error.c_str());
            return 1;
        }
        pty->serve(received, fail);
        std::printf("%s\n", pty->path().c_str());
        std::fflush(stdout);
        line = std::move(pty);
#else
        std::fprintf(stderr, "lumivex-sim: this platform has no pseudo-terminals; use --port NAME\n");
        return 1;
#endif
    } else {
        auto port = std::make_unique<PortLine>();
        if (!port->open(options.port, options.baud, error)) {
            std::fprintf(stderr, "lumivex-sim: %s\n", error.c_str());
            return 1;
        }
        port->serve(received, fail);
        line = std::move(port);
    }
    device.setSink([&line](std::string_view bytes) { line->send(bytes); });

#ifdef Q_OS_UNIX
    if (!installSignalPipe(app)) {
        std::fprintf(stderr, "lumivex-sim: the signal pipe could not be created\n");
        return 1;
    }
#endif
    const int result = app.exec();
    device.setSink({});
    return exitCode != 0 ? exitCode : result;
}
