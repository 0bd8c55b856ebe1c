#pragma once

#include "device/PortDirectory.h"

namespace lumivex {

// The ports QSerialPortInfo lists, with their descriptions, followed on Linux by the stable
// /dev/serial/by-id links (a USB adapter keeps that name whichever ttyUSBn it gets).
class QtPortDirectory final : public PortDirectory {
public:
    std::vector<PortEntry> presentPorts() const override;
    bool usesComNames() const override;
};

} // namespace lumivex
