#include "platform/QtPortDirectory.h"

#include "base/Windows1252.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace lumivex {

namespace {

std::string coreText(const QString& text)
{
    return utf8ToWindows1252(text.toStdString());
}

std::string describe(const QSerialPortInfo& info)
{
    QString text = info.description();
    if (text.isEmpty())
        text = info.manufacturer();
    if (!info.serialNumber().isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral(", ")) + QStringLiteral("serial ") + info.serialNumber();
    return coreText(text);
}

} // namespace

std::vector<PortEntry> QtPortDirectory::presentPorts() const
{
    auto infos = QSerialPortInfo::availablePorts();
    // Ports with known hardware behind them (USB adapters) before the bare on-board ones, which
    // Linux lists whether or not anything is wired to them; "ttyUSB2" before "ttyUSB10".
    QCollator natural;
    natural.setNumericMode(true);
    std::stable_sort(infos.begin(), infos.end(), [&natural](const QSerialPortInfo& a, const QSerialPortInfo& b) {
        if (a.hasVendorIdentifier() != b.hasVendorIdentifier())
            return a.hasVendorIdentifier();
        return natural.compare(a.systemLocation(), b.systemLocation()) < 0;
    });
    std::vector<PortEntry> entries;
    for (const auto& info : infos)
        entries.push_back({info.systemLocation().toLocal8Bit().toStdString(), describe(info)});

    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!link.isSymLink())
            continue;
        const QString target = link.canonicalFilePath();
        entries.push_back({link.absoluteFilePath().toLocal8Bit().toStdString(), "link to " + coreText(target)});
    }
    return entries;
}

bool QtPortDirectory::usesComNames() const
{
#ifdef Q_OS_WIN
    return true;
#else
    return false;
#endif
}

} // namespace lumivex
