#pragma once

#include <string>
#include <vector>

namespace lumivex {

// One serial port the platform lists: the name that is stored and opened, and what the platform
// knows about the device behind it (Windows-1252, may be empty). The description is for people
// only; nothing keeps or compares it.
struct PortEntry {
    std::string name;
    std::string description;
};

// The serial ports present on this machine right now, asked each time a list is shown so that a
// USB adapter plugged in meanwhile appears.
class PortDirectory {
public:
    virtual ~PortDirectory() = default;
    // Present ports in the order to offer them; stable links to them may follow.
    virtual std::vector<PortEntry> presentPorts() const = 0;
    // Whether "COM1".."COM256" are names on this platform (Windows): only there are they offered
    // without being present.
    virtual bool usesComNames() const = 0;
};

} // namespace lumivex
