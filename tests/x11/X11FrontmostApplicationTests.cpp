#include "ChildProcess.h"
#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "linux/desktop/DesktopApplicationCatalog.h"
#include "linux/desktop/DesktopEntryFormat.h"
#include "linux/desktop/DesktopEntryIndex.h"
#include "linux/x11/X11FrontmostApplicationSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <condition_variable>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quillbox {
namespace {

using testing::ChildProcess;
using testing::X11TestEnvironment;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

// A named pipe another program could leave where a file is expected. After
// `patience` it opens the pipe's write end now and then, which frees a reader
// stuck in open() on the main thread; finish() says whether it ever had to.
class PipeRescue {
public:
    PipeRescue(const QString& path, std::chrono::milliseconds patience)
        : m_path(QFile::encodeName(path)) {
        EXPECT_EQ(::mkfifo(m_path.constData(), 0600), 0);
        m_thread = std::thread([this, patience] {
            std::unique_lock lock(m_mutex);
            auto wait = patience;
            while (!m_done.wait_for(lock, wait, [this] { return m_isFinished; })) {
                // Succeeds only while a reader waits in open().
                const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    m_hadToRescue = true;
                    ::close(fd);
                }
                wait = 50ms;
            }
        });
    }
    bool finish() {
        {
            std::lock_guard lock(m_mutex);
            m_isFinished = true;
        }
        m_done.notify_all();
        m_thread.join();
        return m_hadToRescue;
    }

private:
    QByteArray m_path;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_isFinished = false;
    bool m_hadToRescue = false;
    std::thread m_thread;
};

// Points the desktop-entry folders at empty temporary ones, so that only the
// entries a test writes exist, and restores the environment afterwards.
class DesktopEntriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "LC_ALL", "LC_MESSAGES", "LANG"})
            m_saved.append({name, qgetenv(name)});
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        qputenv("XDG_DATA_DIRS", m_system.path().toUtf8());
        qputenv("LANG", "C");
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
    }
    void TearDown() override {
        for (const auto& [name, value] : m_saved)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }

    // Writes <root>/applications/<relativePath>.
    static QString writeEntry(const QTemporaryDir& root, const QString& relativePath,
                              const QByteArray& text) {
        const QString path = root.filePath(QStringLiteral("applications/") + relativePath);
        EXPECT_TRUE(testing::writeFile(path, text));
        return path;
    }
    QString writeUserEntry(const QString& relativePath, const QByteArray& text) {
        return writeEntry(m_home, relativePath, text);
    }

    QTemporaryDir m_home;
    QTemporaryDir m_system;

private:
    QList<QPair<const char*, QByteArray>> m_saved;
};

TEST_F(DesktopEntriesTest, ParsesTheMainGroupWithLocalisedNameAndProgram) {
    qputenv("LANG", "de_AT.UTF-8");
    const QString path =
        writeUserEntry(QStringLiteral("viewer.desktop"),
                       "# comment\n"
                       "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Picture Viewer\n"
                       "Name[de]=Bildbetrachter\n"
                       "Name[fr]=Visionneuse\n"
                       "Icon=viewer\n"
                       "StartupWMClass=Viewer\n"
                       "Exec=env GDK_BACKEND=x11 \"/opt/my viewer/bin/viewer\" %U\n"
                       "[Desktop Action new]\n"
                       "Name=Other\n"
                       "StartupWMClass=Wrong\n");
    const auto entry = DesktopEntryIndex::parseFile(path, QStringLiteral("viewer"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, QStringLiteral("Bildbetrachter"));
    EXPECT_EQ(entry->icon, QStringLiteral("viewer"));
    EXPECT_EQ(entry->startupWMClass, QStringLiteral("Viewer"));
    EXPECT_EQ(entry->program, QStringLiteral("/opt/my viewer/bin/viewer"));
}

TEST(DesktopEntryFormat, StringValuesReadEveryEscapeAndWriteBackWhatTheyRead) {
    struct Row {
        QString stored;
        QString value;
    };
    const Row rows[] = {
        {u"\\sleading space"_s, u" leading space"_s},
        {u"tab\\tand\\nline\\r"_s, u"tab\tand\nline\r"_s},
        {u"back\\\\slash"_s, u"back\\slash"_s},
        {u"unknown \\q"_s, u"unknown q"_s},
        {u"trailing \\"_s, u"trailing \\"_s},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DesktopEntryFormat::unescaped(row.stored), row.value) << row.stored.toStdString();
    const QString awkward = u"a\\b\nc\td\re \\s"_s;
    EXPECT_EQ(DesktopEntryFormat::unescaped(DesktopEntryFormat::escaped(awkward)), awkward);
    EXPECT_FALSE(DesktopEntryFormat::escaped(awkward).contains(u'\n'));
}

TEST_F(DesktopEntriesTest, SkipsWhatIsNotAnApplication) {
    struct Row {
        const char* name;
        QByteArray text;
    };
    const Row rows[] = {
        {"link", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://example.com\n"},
        {"hidden", "[Desktop Entry]\nType=Application\nName=Gone\nHidden=true\n"},
        {"no main group", "[Other]\nType=Application\nName=Odd\n"},
    };
    for (const auto& row : rows) {
        const QString path = writeUserEntry(QStringLiteral("row.desktop"), row.text);
        EXPECT_FALSE(DesktopEntryIndex::parseFile(path, QStringLiteral("row"))) << row.name;
    }
}

TEST_F(DesktopEntriesTest, UserEntriesWinAndHiddenOnesMaskSystemEntries) {
    writeEntry(m_system, QStringLiteral("editor.desktop"),
               "[Desktop Entry]\nType=Application\nName=System Editor\n");
    writeUserEntry(QStringLiteral("editor.desktop"),
                   "[Desktop Entry]\nType=Application\nName=My Editor\n");
    writeEntry(m_system, QStringLiteral("mailer.desktop"),
               "[Desktop Entry]\nType=Application\nName=Mailer\n");
    writeUserEntry(QStringLiteral("mailer.desktop"), "[Desktop Entry]\nHidden=true\n");
    writeEntry(m_system, QStringLiteral("kde4/okular.desktop"),
               "[Desktop Entry]\nType=Application\nName=Okular\n");

    DesktopEntryIndex index;
    EXPECT_EQ(index.entry(QStringLiteral("editor"))->name, QStringLiteral("My Editor"));
    EXPECT_FALSE(index.entry(QStringLiteral("mailer")));
    EXPECT_EQ(index.entry(QStringLiteral("kde4-okular"))->name, QStringLiteral("Okular"));
}

TEST_F(DesktopEntriesTest, MatchesByWindowClassThenIdThenProgram) {
    writeUserEntry(QStringLiteral("aa-terminal-wrapper.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Wrapper\nExec=shell\nTerminal=true\n");
    writeUserEntry(QStringLiteral("by-class.desktop"),
                   "[Desktop Entry]\nType=Application\nName=By Class\nStartupWMClass=Gnome-foo\n");
    writeUserEntry(QStringLiteral("org.example.Notes.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Notes\n");
    writeUserEntry(QStringLiteral("paint.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Paint\n");
    writeUserEntry(QStringLiteral("shell-app.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Shell App\nExec=/usr/bin/shell -x\n");

    struct Row {
        const char* instance;
        const char* windowClass;
        const char* executable;
        const char* id; // empty: no match
    };
    const Row rows[] = {
        {"gnome-foo-server", "Gnome-foo", "", "by-class"},
        {"Gnome-foo", "Other", "", "by-class"}, // StartupWMClass may name the instance
        {"notes", "Notes", "", "org.example.Notes"},
        {"paint", "PAINT", "", "paint"},
        {"unknown", "Unknown", "/usr/bin/shell", "shell-app"}, // the terminal entry is skipped
        {"unknown", "Unknown", "/usr/bin/nothing", ""},
    };
    DesktopEntryIndex index;
    for (const auto& row : rows) {
        const auto entry =
            index.match(QString::fromLatin1(row.instance), QString::fromLatin1(row.windowClass),
                        QString::fromLatin1(row.executable));
        EXPECT_EQ(entry ? entry->id : QString(), QString::fromLatin1(row.id)) << row.windowClass;
    }
}

TEST_F(DesktopEntriesTest, FindsEntriesInstalledAfterTheFirstLookup) {
    DesktopEntryIndex index;
    EXPECT_FALSE(index.entry(QStringLiteral("late")));
    writeUserEntry(QStringLiteral("late.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Late\n");
    EXPECT_TRUE(index.entry(QStringLiteral("late")));

    // Into a subfolder that existed at the last scan.
    QDir().mkpath(m_home.filePath(QStringLiteral("applications/vendor")));
    EXPECT_FALSE(index.entry(QStringLiteral("vendor-tool")));
    writeUserEntry(QStringLiteral("vendor/tool.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Tool\n");
    EXPECT_TRUE(index.entry(QStringLiteral("vendor-tool")));
}

TEST_F(DesktopEntriesTest, IconPathsAreReadOnlyWhenTheyAreFilesAndNotOnTheMainThread) {
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString picture = m_home.filePath(QStringLiteral("red.png"));
    ASSERT_TRUE(red.save(picture));
    const QString pipe = m_home.filePath(QStringLiteral("pipe.png"));
    PipeRescue rescue(pipe, 2s);
    writeUserEntry(QStringLiteral("piped.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Piped\nIcon=" + pipe.toUtf8() + "\n");
    writeUserEntry(QStringLiteral("painted.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Painted\nIcon=" + picture.toUtf8() +
                       "\n");

    DesktopApplicationCatalog catalog;
    const auto applications = catalog.applications();
    const auto pipedIcon = catalog.icon(QStringLiteral("piped"));
    X11FrontmostApplicationSource source;
    const auto installedIcon = source.installedApplicationIcon(QStringLiteral("piped"));
    EXPECT_FALSE(rescue.finish());
    EXPECT_FALSE(pipedIcon);
    EXPECT_FALSE(installedIcon);

    // A picture file is read meanwhile and shown once it is.
    ASSERT_EQ(applications.size(), 2);
    const auto& painted = applications.at(0);
    ASSERT_EQ(painted.name, QStringLiteral("Painted"));
    EXPECT_TRUE(testing::waitUntil(
        [&] { return painted.icon.pixmap(16, 16).toImage().pixelColor(8, 8) == Qt::red; }));
    EXPECT_TRUE(applications.at(1).icon.isNull());
}

TEST_F(DesktopEntriesTest, EveryListedApplicationHasItsIconByItsIdentifier) {
    QImage blue(16, 16, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    const QString picture = m_home.filePath(QStringLiteral("blue.png"));
    ASSERT_TRUE(blue.save(picture));
    const QByteArray entry =
        "[Desktop Entry]\nType=Application\nName=App\nIcon=" + picture.toUtf8() + "\n";
    // Ids from a file in a folder, from one in a subfolder, and from a user
    // entry that stands in for a system one.
    writeUserEntry(QStringLiteral("plain.desktop"), entry);
    writeEntry(m_system, QStringLiteral("kde4/okular.desktop"), entry);
    writeEntry(m_system, QStringLiteral("editor.desktop"),
               "[Desktop Entry]\nType=Application\nName=Editor\n");
    writeUserEntry(QStringLiteral("editor.desktop"), entry);

    DesktopApplicationCatalog catalog;
    QStringList identifiers;
    for (const auto& application : catalog.applications()) {
        identifiers.append(application.identifier);
        EXPECT_TRUE(catalog.icon(application.identifier)) << application.identifier.toStdString();
    }
    identifiers.sort();
    EXPECT_EQ(identifiers.join(u',').toStdString(), "editor,kde4-okular,plain");
    EXPECT_FALSE(catalog.icon(QStringLiteral("okular")));
}

TEST_F(DesktopEntriesTest, FolderLinksOutOfTheApplicationFoldersAreNotFollowed) {
    QTemporaryDir elsewhere;
    ASSERT_TRUE(testing::writeFile(elsewhere.filePath(QStringLiteral("deep/outside.desktop")),
                                   "[Desktop Entry]\nType=Application\nName=Outside\n"));
    ASSERT_TRUE(testing::writeFile(elsewhere.filePath(QStringLiteral("linked.desktop")),
                                   "[Desktop Entry]\nType=Application\nName=Linked\n"));
    writeUserEntry(QStringLiteral("inside.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Inside\n");
    const QString folder = m_home.filePath(QStringLiteral("applications"));
    // A linked entry counts; linked folders, one of them a loop, do not.
    ASSERT_TRUE(QFile::link(elsewhere.filePath(QStringLiteral("linked.desktop")),
                            folder + QStringLiteral("/linked.desktop")));
    ASSERT_TRUE(QFile::link(elsewhere.path(), folder + QStringLiteral("/elsewhere")));
    ASSERT_TRUE(QFile::link(folder, folder + QStringLiteral("/loop")));

    QStringList names;
    for (const auto& application : DesktopApplicationCatalog().applications())
        names.append(application.name);
    EXPECT_EQ(names.join(u',').toStdString(), "Inside,Linked");
    DesktopEntryIndex index;
    EXPECT_TRUE(index.entry(QStringLiteral("linked")));
    EXPECT_FALSE(index.entry(QStringLiteral("elsewhere-deep-outside")));
    EXPECT_FALSE(index.entry(QStringLiteral("loop-inside")));
}

// Real windows of known classes, made active through the window manager.
class FrontmostWindowTest : public DesktopEntriesTest {
protected:
    std::unique_ptr<ChildProcess> openActiveWindow(const QString& instance,
                                                   const QString& windowClass) {
        auto window = testing::openActiveWindow(QStringLiteral(QUILLBOX_TEST_WINDOW),
                                                {instance, windowClass});
        EXPECT_NE(window, nullptr);
        return window;
    }

    // Asks until the window manager's active window resolves to the identifier.
    std::optional<RunningApplication> frontmostWith(const QString& identifier) {
        std::optional<RunningApplication> app;
        testing::waitUntil([&] {
            app = source.frontmostApplication();
            return app && app->identifier == identifier;
        });
        return app;
    }

    X11FrontmostApplicationSource source;
};

TEST_F(FrontmostWindowTest, ResolvesByWindowClassThenByTheProcesssExecutableElseByTheClass) {
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(Qt::red);
    const QString iconPath = m_home.filePath(QStringLiteral("probe.png"));
    ASSERT_TRUE(icon.save(iconPath));
    writeUserEntry(QStringLiteral("io.example.Probe.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Probe Viewer\nStartupWMClass=QbProbe\n"
                   "Icon=" +
                       iconPath.toUtf8() + "\nExec=probe\n");

    // No entry: the window class stands in, without an icon.
    auto loner = openActiveWindow(QStringLiteral("qbloner"), QStringLiteral("QbLoner"));
    auto app = frontmostWith(QStringLiteral("QbLoner"));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->name, QStringLiteral("QbLoner"));
    EXPECT_FALSE(app->icon);

    // An entry for the window's program, installed meanwhile, names it
    // through the window's process id.
    const QByteArray program = QFileInfo(QStringLiteral(QUILLBOX_TEST_WINDOW)).fileName().toUtf8();
    writeUserEntry(QStringLiteral("window-tool.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Window Tool\nExec=" + program +
                       " %f\n");
    app = frontmostWith(QStringLiteral("window-tool"));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->name, QStringLiteral("Window Tool"));

    // The same program, but an entry names its window class.
    auto probe = openActiveWindow(QStringLiteral("qbprobe"), QStringLiteral("QbProbe"));
    app = frontmostWith(QStringLiteral("io.example.Probe"));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->name, QStringLiteral("Probe Viewer"));
    EXPECT_TRUE(app->icon);
    EXPECT_TRUE(source.installedApplicationIcon(QStringLiteral("io.example.Probe")));
    EXPECT_FALSE(source.installedApplicationIcon(QStringLiteral("io.example.Missing")));

    probe.reset();
    loner.reset();
    EXPECT_TRUE(testing::waitUntil([&] { return !source.frontmostApplication(); }));
}

TEST_F(FrontmostWindowTest, AWindowClassThatNamesAPipeIsNeverOpened) {
    // Any client may name its window after a path; a class is never one.
    const QString pipe = m_home.filePath(QStringLiteral("class.png"));
    PipeRescue rescue(pipe, 2s);
    auto window = openActiveWindow(pipe, QStringLiteral("QbPipe"));
    const auto app = frontmostWith(QStringLiteral("QbPipe"));
    EXPECT_FALSE(rescue.finish());
    ASSERT_TRUE(app);
    EXPECT_FALSE(app->icon);
}

} // namespace
} // namespace quillbox
