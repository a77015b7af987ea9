// The quillbox program: without a command it runs the application (once per
// user); with one it asks the running application, or reads the history on
// disk where that is enough.
#include "app/AppServices.h"
#include "app/CommandDispatcher.h"
#include "app/CommandLine.h"
#include "app/InspectClipboard.h"
#include "app/InstanceClient.h"
#include "app/InstanceServer.h"
#include "app/PlatformFactory.h"
#include "app/SearchCommands.h"
#include "app/SingleInstanceLock.h"
#include "capture/SourceAppResolver.h"
#include "content/AppConstants.h"
#include "content/Logging.h"
#include "content/Preferences.h"
#include "history/HistoryStore.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>
#include <variant>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

using namespace quillbox;

// How long the command line waits on a silent instance. A working one
// sends progress or keep-alives, which start the wait again.
constexpr auto commandTimeout = 60s;

void write(FILE* stream, const QString& text) {
    if (text.isEmpty())
        return;
    QByteArray bytes = text.toUtf8();
    if (stream == stderr && !bytes.endsWith('\n'))
        bytes += '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void writeOutput(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

int finish(const CommandResult& result) {
    write(stdout, result.output);
    write(stderr, result.error);
    return result.exitCode;
}

// SIGTERM and SIGINT end the event loop, so the application stops its timers
// and closes the store as on `quillbox quit`. The handler only writes a byte.
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

void quitOnTerminationSignals(QCoreApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(signalPipe[0], &byte, 1);
        app.quit();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

QString storeDescription(const StoreContainer& container) {
    return container.isInMemory() ? u"in memory only (the store on disk could not be opened)"_s
                                  : QDir::toNativeSeparators(container.path());
}

int runApplication(int argc, char** argv) {
    const auto choice = PlatformFactory::choose();
    if (const auto* error = std::get_if<QString>(&choice)) {
        write(stderr, *error);
        return ExitCode::failure;
    }
    const auto& platform = std::get<PlatformChoice>(choice);
    PlatformFactory::prepareToolkit(platform);
    QApplication app(argc, argv);
    // No main window: Quillbox runs in the background until asked to quit.
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<CommandDispatcher> dispatcher;
    InstanceServer server([&dispatcher](const Command& command, CommandReply reply) {
        if (dispatcher)
            dispatcher->execute(command, std::move(reply));
    });
    // Commands wait until the clipboard's contents at launch have been read
    // (the baseline): a copy made after the first answer is then a change,
    // never mistaken for what was there before Quillbox started.
    server.setAnswering(false);
    // Where there is no socket, a lock beside the store keeps a second start
    // from recording into the same history.
    SingleInstanceLock fallbackLock;
    switch (server.listen(InstanceServer::defaultSocketPath())) {
    case InstanceServer::ListenResult::alreadyRunning:
        write(stderr, u"Quillbox is already running."_s);
        return ExitCode::failure;
    case InstanceServer::ListenResult::failed:
        if (!server.hasInstanceLock()) {
            const QString folder = QFileInfo(StoreContainer::defaultStorePath()).absolutePath();
            if (fallbackLock.tryLock(folder + u"/.quillbox.lock"_s) ==
                SingleInstanceLock::Result::heldElsewhere) {
                write(stderr, u"Quillbox is already running."_s);
                return ExitCode::failure;
            }
        }
        // Recording matters more than the command line: run without it.
        qCWarning(lcApp).noquote()
            << u"Quillbox: the command line will not reach this instance: %1"_s.arg(
                   server.errorString());
        break;
    case InstanceServer::ListenResult::listening:
        break;
    }

    // Lives until the process ends, like the services it owns.
    AppPlatform parts = PlatformFactory::makePlatform(platform);
    const PlatformDescription description = parts.description;
    AppServices& services = *new AppServices(std::move(parts), std::make_unique<Preferences>());
    dispatcher = std::make_unique<CommandDispatcher>(
        CommandContext{services.historyStore(), &services,
                       storeDescription(*services.modelContainer()), description});
    SearchCommands::install(*dispatcher, services);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &services, [&services] {
        services.stop();
        services.historyStore().save();
        services.modelContainer()->finishWriting();
    });
    quitOnTerminationSignals(app);
    services.start();

    const auto startAnswering = [&server] { server.setAnswering(true); };
    services.pasteboard().whenInitialContentsRead(startAnswering);
    // An owner that never answers must not keep the command line out.
    QTimer::singleShot(firstSnapshotTimeout, &app, startAnswering);
    qCInfo(lcApp).noquote() << u"Quillbox: recording the clipboard; history at %1"_s.arg(
        storeDescription(*services.modelContainer()));
    return app.exec();
}

int inspectClipboardHere(int argc, char** argv, const Command& command) {
    const auto choice = PlatformFactory::choose();
    if (const auto* error = std::get_if<QString>(&choice)) {
        write(stderr, *error);
        return ExitCode::failure;
    }
    const auto& platform = std::get<PlatformChoice>(choice);
    PlatformFactory::prepareToolkit(platform);
    QApplication app(argc, argv);
    auto reading = PlatformFactory::makeClipboardReading(platform);
    Pasteboard& pasteboard = *reading.pasteboard;
    SourceAppResolver resolver(*reading.frontmostApplications);
    // The reader may fill its first snapshot in the background.
    QEventLoop loop;
    bool hasRead = false;
    pasteboard.whenInitialContentsRead([&hasRead, &loop] {
        hasRead = true;
        loop.quit();
    });
    QTimer::singleShot(firstSnapshotTimeout, &loop, &QEventLoop::quit);
    if (!hasRead)
        loop.exec();
    if (!hasRead) {
        write(stderr, u"Quillbox: the clipboard's owner did not answer in time."_s);
        return ExitCode::failure;
    }
    QString text;
    QTextStream out(&text);
    const int status = inspectClipboard(pasteboard, resolver, command.hasOption(u"--json"_s), out,
                                        &platform.description);
    out.flush();
    write(stdout, text);
    return status;
}

// Read-only commands while no instance runs: straight from the store on disk.
int runAgainstStoreOnDisk(const Command& command) {
    const QString path = StoreContainer::defaultStorePath();
    StoreContainerPtr container = StoreContainer::openExisting(path);
    if (!container && QFileInfo::exists(path))
        return finish(CommandResult::failure(u"Could not read the history at %1."_s.arg(path)));
    QString description = QDir::toNativeSeparators(path);
    if (!container) {
        // No history yet: an empty one, without creating files.
        container = StoreContainer::makeInMemory();
        description += u" (not created yet)"_s;
    }
    HistoryStore store(container);
    CommandDispatcher dispatcher(CommandContext{store, nullptr, description});
    SearchCommands::installForStoreOnDisk(dispatcher, PlatformFactory::makeTextRecognizer());
    // A search may first recognise text in images on a worker thread; an
    // export streams to standard output.
    std::optional<CommandResult> result;
    auto channel = std::make_shared<CommandReply::Channel>();
    channel->finish = [&result](const CommandResult& r) { result = r; };
    channel->progress = [](const QString& line) { write(stderr, line); };
    channel->write = writeOutput;
    dispatcher.execute(command, CommandReply(channel));
    while (!result)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return finish(*result);
}

// The file name's bytes as given, made absolute: a name that is not valid
// text (an old Latin-1 name) still names its file.
QByteArray absoluteRawPath(int argc, char** argv, const QString& argument) {
    QByteArray raw = QFile::encodeName(argument);
    for (int i = 1; i < argc; ++i) {
        if (QString::fromLocal8Bit(argv[i]) == argument)
            raw = argv[i];
    }
    if (raw.startsWith('/'))
        return raw;
    QByteArray folder(4096, '\0');
    if (!::getcwd(folder.data(), size_t(folder.size())))
        return QFile::encodeName(QFileInfo(argument).absoluteFilePath());
    return QByteArray(folder.constData()) + '/' + raw;
}

int runCommand(int argc, char** argv, const Command& command) {
    const CommandSpec* spec = findCommandSpec(command.name);
    if (spec->place == CommandPlace::client)
        return inspectClipboardHere(argc, argv, command);

    QCoreApplication app(argc, argv);
    InstanceClient client(InstanceServer::defaultSocketPath());
    Command sent = command;
    if (command.name == u"import"_s) { // the instance has its own working directory
        const QByteArray path = absoluteRawPath(argc, argv, command.arguments.at(0));
        sent.arguments[0] = QFile::decodeName(path);
        sent.options.insert(u"--file-bytes"_s, QString::fromLatin1(path.toBase64()));
    }
    // The colour picker waits for the user's click, however long it takes.
    const auto timeout = command.name == u"pick-color"_s
                             ? std::nullopt
                             : std::optional<std::chrono::milliseconds>(commandTimeout);
    const auto progress = [](const QString& line) { write(stderr, line); };
    if (auto result = client.send(sent, timeout, progress, writeOutput))
        return finish(*result);
    if (spec->place == CommandPlace::instanceOrStore)
        return runAgainstStoreOnDisk(command);
    return finish(CommandResult::failure(u"Quillbox is not running."_s, ExitCode::notRunning));
}

} // namespace

int main(int argc, char** argv) {
    quillbox::PlatformFactory::restoreProgramName(argv[0]);
    QCoreApplication::setApplicationName(quillbox::AppConstants::applicationName);
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLBOX_VERSION));

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const auto outcome = parseCommandLine(arguments);
    switch (outcome.kind) {
    case CommandLineOutcome::Kind::help:
        write(stdout, helpText());
        return ExitCode::success;
    case CommandLineOutcome::Kind::version:
        write(stdout, versionText());
        return ExitCode::success;
    case CommandLineOutcome::Kind::error:
        write(stderr, u"quillbox: "_s + outcome.error);
        return ExitCode::usage;
    case CommandLineOutcome::Kind::run:
        break;
    }
    // Text recognition needs its OpenMP runtime limited to one thread, which
    // libgomp reads only when it is loaded, before main() (QtCore pulls it
    // in): this restarts the program with the limit set, for the two ways
    // that recognise text.
    const bool runsApplication = outcome.command.name.isEmpty();
    quillbox::PlatformFactory::prepareProcess(
        argv, runsApplication, runsApplication || outcome.command.name == u"search"_s);
    if (outcome.command.name.isEmpty())
        return runApplication(argc, argv);
    return runCommand(argc, argv, outcome.command);
}
