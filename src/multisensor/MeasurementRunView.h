#pragma once

#include <string>

namespace lumivex {

// What the measurement list run tells its window. The run decides what to show and when; the
// window only copies it into its controls.
class MeasurementRunView {
public:
    virtual ~MeasurementRunView() = default;

    // The window title: the base title, during a run followed by what the run is doing.
    virtual void ShowTitle(const std::string& title) = 0;
    // The "Perform measurement" button.
    virtual void EnablePerform(bool enabled) = 0;
    // The run works on the `position`-th (from 1) of the `count` sensors taking part.
    virtual void ShowProgress(int position, int count) = 0;
    // The readings were replaced while the run wrote them unseen: fill the rows again.
    virtual void FillRows() = 0;
};

// A run without a window (the command-line tool, tests that look elsewhere).
class NoRunView : public MeasurementRunView {
public:
    void ShowTitle(const std::string&) override { }
    void EnablePerform(bool) override { }
    void ShowProgress(int, int) override { }
    void FillRows() override { }
};

} // namespace lumivex
