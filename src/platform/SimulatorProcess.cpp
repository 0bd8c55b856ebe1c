#include "platform/SimulatorProcess.h"

#include <QDeadlineTimer>

namespace lumivex {

SimulatorProcess::~SimulatorProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
}

bool SimulatorProcess::start(const QStringList& options, std::chrono::milliseconds limit)
{
    const QDeadlineTimer deadline(limit.count());
    m_process.start(m_program, QStringList {QStringLiteral("--pty")} + options);
    if (!m_process.waitForStarted(static_cast<int>(deadline.remainingTime()))) {
        m_problem = "lumivex-sim did not start: " + m_process.errorString().toStdString();
        return false;
    }
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || !m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            m_problem = "lumivex-sim printed no path";
            return false;
        }
    }
    m_path = m_process.readLine().trimmed().toStdString();
    return true;
}

int SimulatorProcess::stop(std::chrono::milliseconds limit)
{
    if (m_process.state() == QProcess::NotRunning)
        return -1;
    m_process.terminate(); // SIGTERM
    if (!m_process.waitForFinished(static_cast<int>(limit.count())))
        return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

std::string SimulatorProcess::problem()
{
    return m_problem + "\n" + m_process.readAllStandardError().toStdString();
}

} // namespace lumivex
