// tilewick-messenger: plays the Messenger client on the message bus so that Tilewick can be
// used and tested without the real one.

#include "ClientStatuses.h"
#include "MessengerStandIn.h"
#include "StandInBus.h"
#include "StandInControl.h"
#include "StandInWindow.h"
#include "core/messenger/MessengerClient.h"
#include "core/messenger/MessengerProtocol.h"
#include "platform/UniqueFd.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <memory>
#include <sys/signalfd.h>

namespace tw {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Fail(const QString& message, int code = kExitFailure) {
    QTextStream(stderr) << "tilewick-messenger: " << message << '\n';
    return code;
}

// Runs one subcommand against the stand-in that is running now.
int RunSubcommand(const QStringList& args) {
    const QString& command = args.front();
    const std::vector<WindowHandle> windows = FindWindows(kMessengerWindowClass);
    if (args.size() == 1 && command == QLatin1String("running")) {
        return windows.empty() ? kExitFailure : 0;
    }
    if (windows.empty()) {
        return Fail(QStringLiteral("no messenger client is running"));
    }
    std::optional<std::int64_t> result;
    if (command == QLatin1String("status") && args.size() == 2) {
        const auto status = ParseClientStatus(args[1]);
        if (!status) {
            return Fail(QStringLiteral("unknown status \"%1\"").arg(args[1]), kExitUsage);
        }
        result = SendMessage(windows.front(), kMsgStandInSetStatus, *status, 0);
    } else if (command == QLatin1String("name") && args.size() == 2) {
        const QByteArray name = args[1].toUtf8();
        result = SendCopyData(windows.front(), 0, kCopyDataStandInSetName,
                              std::string_view(name.constData(), name.size()));
    } else if (args.size() == 1 && command == QLatin1String("sign-in")) {
        result = SendMessage(windows.front(), kMsgStandInSignIn, 0, 0);
    } else if (args.size() == 1 && command == QLatin1String("sign-out")) {
        result = SendMessage(windows.front(), kMsgStandInSignOut, 0, 0);
    } else if (args.size() == 1 && command == QLatin1String("quit")) {
        result = SendMessage(windows.front(), kMsgStandInQuit, 0, 0);
    } else {
        return Fail(QStringLiteral("unknown command \"%1\" (see --help)").arg(args.join(' ')),
                    kExitUsage);
    }
    if (!result) {
        return Fail(QStringLiteral("the messenger client did not answer"));
    }
    if (*result != kCallSucceeded) {
        return Fail(QStringLiteral("the messenger client refused \"%1\"").arg(command));
    }
    return 0;
}

// Delivers SIGTERM and SIGINT through the event loop, so that the window leaves the bus. Made
// before any thread starts, so that every thread inherits the blocked signals.
class QuitOnSignal {
public:
    QuitOnSignal() {
        sigset_t mask;
        sigemptyset(&mask);
        sigaddset(&mask, SIGTERM);
        sigaddset(&mask, SIGINT);
        pthread_sigmask(SIG_BLOCK, &mask, nullptr);
        fd_.Reset(signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK));
    }

    // Starts watching; needs the application object.
    void Watch() {
        if (fd_.Valid()) {
            notifier_ = std::make_unique<QSocketNotifier>(fd_.Get(), QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                             [] { QCoreApplication::quit(); });
        }
    }

private:
    UniqueFd fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

int Run(int argc, char** argv) {
    QuitOnSignal quitOnSignal;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the Messenger client for Tilewick.\n\n"
                       "Commands for the running stand-in:\n"
                       "  status <value|name>  change the status (names: online, busy, brb,\n"
                       "                       away, phone, lunch, idle, invisible, offline)\n"
                       "  name <text>          change the friendly name\n"
                       "  sign-in, sign-out    sign in or out\n"
                       "  quit                 end it\n"
                       "  running              exit status 0 when a messenger client runs"));
    parser.addHelpOption();
    const QCommandLineOption nameOption(QStringLiteral("name"),
                                        QStringLiteral("Friendly name (default: Tilewick User)."),
                                        QStringLiteral("text"), QStringLiteral("Tilewick User"));
    const QCommandLineOption statusOption(QStringLiteral("status"),
                                          QStringLiteral("Status (default: online)."),
                                          QStringLiteral("value|name"), QStringLiteral("online"));
    const QCommandLineOption signedOutOption(QStringLiteral("signed-out"),
                                             QStringLiteral("Start signed out."));
    const QCommandLineOption headlessOption(QStringLiteral("headless"),
                                            QStringLiteral("Show no window."));
    const QCommandLineOption logOption(QStringLiteral("log"),
                                       QStringLiteral("Append one JSON line per call received."),
                                       QStringLiteral("file"));
    const QCommandLineOption hangOnOption(
        QStringLiteral("hang-on"),
        QStringLiteral("For tests: stop answering in the middle of a call (status, name, "
                       "picture, nowplaying)."),
        QStringLiteral("call"));
    const QCommandLineOption hangForOption(QStringLiteral("hang-for"),
                                           QStringLiteral("For tests: how long --hang-on hangs."),
                                           QStringLiteral("ms"), QStringLiteral("30000"));
    const QCommandLineOption dieOnOption(QStringLiteral("die-on"),
                                         QStringLiteral("For tests: end in the middle of a call."),
                                         QStringLiteral("call"));
    parser.addOptions({nameOption, statusOption, signedOutOption, headlessOption, logOption,
                       hangOnOption, hangForOption, dieOnOption});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("A command for the running stand-in."),
                                 QStringLiteral("[command [argument]]"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const bool parsed = parser.parse(arguments);
    // Commands for a running stand-in and --headless need no display.
    const bool headless = !parsed || parser.isSet(headlessOption) ||
                          !parser.positionalArguments().isEmpty() ||
                          parser.isSet(QStringLiteral("help"));
    std::unique_ptr<QCoreApplication> app = headless
                                                ? std::make_unique<QCoreApplication>(argc, argv)
                                                : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tilewick-messenger"));
    if (!parsed) {
        return Fail(parser.errorText(), kExitUsage);
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }

    if (!parser.positionalArguments().isEmpty()) {
        return RunSubcommand(parser.positionalArguments());
    }

    const auto status = ParseClientStatus(parser.value(statusOption));
    if (!status) {
        return Fail(QStringLiteral("unknown status \"%1\"").arg(parser.value(statusOption)),
                    kExitUsage);
    }
    Misbehaviour misbehaviour;
    for (const auto& [option, target] :
         {std::pair{&hangOnOption, &misbehaviour.HangOn}, {&dieOnOption, &misbehaviour.DieOn}}) {
        if (parser.isSet(*option)) {
            *target = ParseStandInCall(parser.value(*option));
            if (!*target) {
                return Fail(QStringLiteral("unknown call \"%1\"").arg(parser.value(*option)),
                            kExitUsage);
            }
        }
    }
    bool hangForOk = false;
    misbehaviour.HangFor =
        std::chrono::milliseconds(parser.value(hangForOption).toUInt(&hangForOk));
    if (!hangForOk) {
        return Fail(QStringLiteral("--hang-for needs milliseconds"), kExitUsage);
    }

    MessengerStandIn client(parser.value(nameOption), *status, !parser.isSet(signedOutOption));
    if (parser.isSet(logOption) && !client.OpenLog(parser.value(logOption))) {
        return Fail(QStringLiteral("cannot write the log \"%1\"").arg(parser.value(logOption)));
    }
    quitOnSignal.Watch();
    StandInBus bus(client, misbehaviour);
    QObject::connect(&bus, &StandInBus::QuitRequested, app.get(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QString error;
    if (!bus.Register(error)) {
        return Fail(QStringLiteral("cannot join the message bus: %1").arg(error));
    }
    std::unique_ptr<StandInWindow> window;
    if (!headless) {
        window = std::make_unique<StandInWindow>(client);
        window->show();
    }
    return app->exec();
}

} // namespace
} // namespace tw

int main(int argc, char** argv) {
    return tw::Run(argc, argv);
}
