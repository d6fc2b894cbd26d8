// The start sequence: one instance per user, the others hand over to it and end.
#include "core/app/uSettings.h"
#include "core/app/uStartup.h"
#include "platform/FloatingPoint.h"
#include "platform/InstanceLock.h"
#include "ui/app/uEngineWnd.h"
#include "ui/app/uTrace.h"
#include "ui/main/uMainForm.h"
#include "ui/online/ResultBrowser.h"

#include <QApplication>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

// Lets a test see that division by zero gives infinity in the running program.
void TraceFloatingPointMode() {
    if (tw::TraceEnabled()) {
        volatile double zero = 0.0;
        tw::Trace("float", "1/0=" + std::to_string(1.0 / zero));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    tw::MaskFloatingPointExceptions();
    TraceFloatingPointMode();

    tw::TSettings& settings = tw::Settings();
    const int appId = settings.ReadConstInteger("App.ID", 0);
    const auto options = tw::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));

    if (options.Stop) {
        tw::Trace("role", "stop");
        tw::AskRunningInstanceToQuit(appId);
        return 0;
    }
    if (options.Restart) {
        tw::AskRunningInstanceToQuit(appId);
        // The old instance needs a moment to end and let go of its lock.
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    }
    if (!tw::CreateInstanceMutex("Global\\" + settings.ReadConstString("App.GUID"))) {
        tw::Trace("role", "second");
        tw::HandOverToRunningInstance(appId, options.Forward);
        return 0;
    }
    tw::Trace("role", "first");

    tw::RegisterProgramScheme();
    QApplication app(argc, argv);
    // The loop ends when the main window closes, not when the last window does.
    QApplication::setQuitOnLastWindowClosed(false);
    // Destroyed in reverse order: the main window first, then the engine window; the settings
    // store outlives both.
    tw::TfrmEngineWnd engineWnd;
    tw::TfrmMainForm mainForm;
    if (!options.Autorun) {
        mainForm.show();
    }
    return QApplication::exec();
}
