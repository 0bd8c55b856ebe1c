#pragma once

// For the QtTests of the main window: one window on its own simulated device, settings file and
// working folder, on the real clock.

#include "controls/ui/UiText.h"
#include "main/ui/CLumivexDlg.h"
#include "platform/QtScheduler.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <QtGlobal>

#include <clocale>
#include <functional>
#include <memory>
#include <string>

namespace lumivex::test {

struct WindowBench {
    // `ini` is the whole settings file; `prepare` may put files into the working folder first.
    explicit WindowBench(
        const std::string& ini, const SimConfig& config = {}, const std::function<void(const TempDir&)>& prepare = {})
    {
        writeFile(dir.file("Lumivex.ini"), ini);
        if (prepare)
            prepare(dir);
        device = std::make_unique<SimulatedDevice>(scheduler, config);
        backend = std::make_unique<SimSerialBackend>(scheduler, *device);
        window = std::make_unique<CLumivexDlg>(
            scheduler, *backend, dialogs, IniSource(iniLocationOf(dir.file("Lumivex.ini"))));
        window->show();
    }

    template<class T = QWidget> T* control(int id) const { return window->findChild<T*>(controlName(id)); }

    TempDir dir;
    QtScheduler scheduler;
    RecordingDialogs dialogs;
    std::unique_ptr<SimulatedDevice> device;
    std::unique_ptr<SimSerialBackend> backend;
    std::unique_ptr<CLumivexDlg> window;
};

// For initTestCase: the C numeric locale the core's formats need (as the program sets it), and
// the offscreen platform's note on every top-level window (it cannot pass size hints on) silenced.
inline void prepareWindowTests()
{
    std::setlocale(LC_NUMERIC, "C");
    static QtMessageHandler defaultHandler = nullptr;
    defaultHandler = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (!text.contains(QLatin1String("propagateSizeHints")))
            defaultHandler(type, context, text);
    });
}

} // namespace lumivex::test
