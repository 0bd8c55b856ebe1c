#pragma once

#include <QProcess>
#include <QStringList>

#include <chrono>
#include <string>

namespace lumivex {

// lumivex-sim as a process of its own, serving a pseudo-terminal: for end-to-end tests and
// benchmarks that want the real serial stack. Needs a QCoreApplication. Waits block in QProcess;
// a process still running when this object goes is ended.
class SimulatorProcess {
public:
    explicit SimulatorProcess(QString programPath) : m_program(std::move(programPath)) { }
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Starts `lumivex-sim --pty` with the device options and reads the path it prints on its
    // first line. False (see problem()) when it did not start or printed nothing within the limit.
    bool start(const QStringList& options, std::chrono::milliseconds limit);
    const std::string& path() const { return m_path; }

    // SIGTERM, then waits for the end: the exit code, or -1 when it did not end normally in time.
    int stop(std::chrono::milliseconds limit);

    // Why start() failed, with what the program wrote to its standard error.
    std::string problem();

private:
    QString m_program;
    QProcess m_process;
    std::string m_path;
    std::string m_problem;
};

} // namespace lumivex
