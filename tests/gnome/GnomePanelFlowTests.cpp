// The program as a user meets it in a GNOME session with the extension: the
// panel and the Paste Stack, driven by keys typed on the Shell's keyboard and
// Quillbox's command line, pasting into a GTK application's text field.
#include "ChildProcess.h"
#include "GnomeShellSession.h"
#include "PrivateHome.h"
#include "ShellDriver.h"
#include "TestContent.h"
#include "Waiting.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

extern quillbox::testing::GnomeShellSession* gnomeShell;

using namespace quillbox::testing;
using namespace std::chrono_literals;

namespace {

const QString textType = QStringLiteral("text/plain;charset=utf-8");

// Keys typed on the Shell's keyboard, which exists while Quillbox runs; a
// keyboard the Shell has just set up may miss the first ones.
bool typeKeys(const QStringList& keys) {
    return quillboxExtension(QStringLiteral("SendKeys"), {keys}).type() ==
           QDBusMessage::ReplyMessage;
}

// The quillbox program in the Shell's session, with folders of its own.
class RunningQuillbox {
public:
    RunningQuillbox()
        : m_home(gnomeShell->environment()) {
        auto& env = m_home.environment;
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), gnomeShell->sessionBusAddress());
        env.remove(QStringLiteral("GLIBC_TUNABLES"));
        env.remove(QStringLiteral("OMP_THREAD_LIMIT"));
        // Through the shell, so that the log goes to a file; exec keeps the
        // process id the test ends it by.
        m_program = std::make_unique<ChildProcess>(
            QStringLiteral("/bin/sh"),
            QStringList{QStringLiteral("-c"), QStringLiteral("exec \"$0\" >>\"$1\" 2>&1"),
                        QStringLiteral(QUILLBOX_BINARY), logPath()},
            env);
    }

    ~RunningQuillbox() {
        if (m_program->isRunning()) {
            run({QStringLiteral("quit")});
            m_program->waitFinished(5s);
        }
    }

    // Until `status` answers, as a script would wait.
    bool started() {
        return waitUntil(
                   [&] {
                       return !m_program->isRunning() ||
                              run({QStringLiteral("status")}).exitCode == 0;
                   },
                   20s) &&
               m_program->isRunning();
    }

    RunResult run(const QStringList& arguments) {
        return runCommand(QStringLiteral(QUILLBOX_BINARY), arguments, 20s, m_home.environment);
    }

    qsizetype itemCount() {
        const auto listed = run({QStringLiteral("list"), QStringLiteral("--json")});
        return QJsonDocument::fromJson(listed.standardOutput).array().size();
    }

    uint pid() const { return uint(m_program->pid()); }
    QByteArray log() const { return readFile(logPath()); }

private:
    QString logPath() const { return m_home.path(QStringLiteral("quillbox.log")); }

    PrivateHome m_home;
    std::unique_ptr<ChildProcess> m_program;
};

// A GTK 4 window with a text field, which has the keyboard focus once shown.
class GtkTextField {
public:
    GtkTextField() {
        QProcessEnvironment env = gnomeShell->environment();
        env.insert(QStringLiteral("GDK_BACKEND"), QStringLiteral("wayland"));
        // The headless Shell's clients draw with software GL; cairo gets the
        // field on screen in about half the time.
        env.insert(QStringLiteral("GSK_RENDERER"), QStringLiteral("cairo"));
        m_process = std::make_unique<ChildProcess>(
            QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral(GTK_PASTE_TARGET)}, env);
    }

    static inline const QString title = QStringLiteral("GTK paste target");

    bool focused() {
        return waitUntil([&] { return focusedWindow().title == title; }, 20s);
    }

    // The field's text, once it is `expected` (else the last text seen).
    QString waitForText(const QString& expected) {
        waitUntil(
            [&] {
                read();
                return m_text == expected;
            },
            10s);
        return m_text;
    }

private:
    void read() {
        m_output += m_process->readAllStandardOutput();
        const auto lines = m_output.split('\n');
        for (const QByteArray& line : lines) {
            if (line.startsWith("text "))
                m_text = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(5)));
        }
    }

    std::unique_ptr<ChildProcess> m_process;
    QByteArray m_output;
    QString m_text;
};

// The windows shown, for a failure's message.
std::string describeWindows() {
    std::string text;
    for (const ShownWindow& w : shownWindows()) {
        text += QStringLiteral("%1 [%2] pid %3%4 at %5,%6 %7x%8\n")
                    .arg(w.title, w.wmClass)
                    .arg(w.pid)
                    .arg(w.focused ? QStringLiteral(" focused") : QString())
                    .arg(w.frame.x())
                    .arg(w.frame.y())
                    .arg(w.frame.width())
                    .arg(w.frame.height())
                    .toStdString();
    }
    return text;
}

std::optional<ShownWindow> windowTitled(const QString& title, uint pid) {
    for (const ShownWindow& window : shownWindows()) {
        if (window.title == title && window.pid == pid)
            return window;
    }
    return std::nullopt;
}

// The copies an application makes, each recorded before the next.
void copyAll(RunningQuillbox& quillbox, const QStringList& texts) {
    for (const QString& text : texts) {
        const qsizetype before = quillbox.itemCount();
        ASSERT_TRUE(applicationCopies(textType, text.toUtf8()));
        ASSERT_TRUE(waitUntil([&] { return quillbox.itemCount() > before; }, 10s))
            << text.toStdString() << '\n'
            << quillbox.log().toStdString();
    }
}

// Super+Shift+V opens the panel centred and focused; typed letters narrow
// the list to the one card that matches, not the newest; Return pastes it
// into the GTK field that was focused before, which has the focus back.
TEST(GnomePanelFlowTest, PanelShortcutSearchAndReturnPasteIntoTheFocusedField) {
    RunningQuillbox quillbox;
    ASSERT_TRUE(quillbox.started()) << quillbox.log().toStdString();
    EXPECT_TRUE(quillbox.run({QStringLiteral("status")}).standardOutput.contains("GNOME Shell"));
    GtkTextField field;
    ASSERT_TRUE(field.focused()) << focusedWindow().title.toStdString();
    copyAll(quillbox, {QStringLiteral("apple pie"), QStringLiteral("banana split"),
                       QStringLiteral("cherry tart")});

    std::optional<ShownWindow> panel;
    QElapsedTimer sinceTyped;
    ASSERT_TRUE(waitUntil(
        [&] {
            if (!sinceTyped.isValid() || sinceTyped.elapsed() > 2000) {
                typeKeys(
                    {QStringLiteral("Super_L"), QStringLiteral("Shift_L"), QStringLiteral("v")});
                sinceTyped.start();
            }
            panel = windowTitled(QStringLiteral("Quillbox"), quillbox.pid());
            return panel && panel->focused;
        },
        20s))
        << quillbox.log().toStdString() << gnomeShell->scriptErrors().toStdString();
    // Where it comes to rest once it has grown to its size.
    QRect frame;
    waitUntil(
        [&] {
            const QRect before = frame;
            serveFor(300ms);
            panel = windowTitled(QStringLiteral("Quillbox"), quillbox.pid());
            frame = panel ? panel->frame : QRect();
            return frame == before;
        },
        5s);
    const MonitorArea monitor = monitorArea();
    EXPECT_TRUE(monitor.workArea.contains(frame)) << describeWindows();
    EXPECT_NEAR(frame.center().x(), monitor.workArea.center().x(), 2);
    EXPECT_NEAR(frame.center().y(), monitor.workArea.center().y(), 2)
        << describeWindows() << gnomeShell->scriptErrors().toStdString();
    EXPECT_TRUE(panel && panel->focused);

    for (const char* letter : {"b", "a", "n"})
        ASSERT_TRUE(typeKeys({QString::fromLatin1(letter)}));
    serveFor(300ms);
    ASSERT_TRUE(typeKeys({QStringLiteral("Return")}));
    EXPECT_EQ(field.waitForText(QStringLiteral("banana split")), QStringLiteral("banana split"))
        << quillbox.log().toStdString();
    EXPECT_EQ(focusedWindow().title, GtkTextField::title);
    EXPECT_FALSE(windowTitled(QStringLiteral("Quillbox"), quillbox.pid()));
}

// A Paste Stack run: three copies made in an application, then paste-next
// three times, land in copy order; the stack's window shows all along and
// never takes the keyboard from the field.
TEST(GnomePanelFlowTest, PasteStackPastesCopiesInOrderWithoutTakingTheFocus) {
    RunningQuillbox quillbox;
    ASSERT_TRUE(quillbox.started()) << quillbox.log().toStdString();
    GtkTextField field;
    ASSERT_TRUE(field.focused());

    ASSERT_EQ(quillbox.run({QStringLiteral("paste-stack")}).exitCode, 0);
    std::optional<ShownWindow> stack;
    ASSERT_TRUE(waitUntil(
        [&] {
            stack = windowTitled(QStringLiteral("Paste Stack"), quillbox.pid());
            return stack.has_value();
        },
        10s))
        << quillbox.log().toStdString();
    // Placed by the extension, which centres Quillbox's windows, and shown
    // without the focus.
    serveFor(300ms);
    stack = windowTitled(QStringLiteral("Paste Stack"), quillbox.pid());
    ASSERT_TRUE(stack);
    EXPECT_EQ(stack->frame.center(), monitorArea().workArea.center()) << describeWindows();
    EXPECT_FALSE(stack->focused);
    copyAll(quillbox, {QStringLiteral("one;"), QStringLiteral("two;"), QStringLiteral("three;")});

    QString expected;
    for (const QString& text :
         {QStringLiteral("one;"), QStringLiteral("two;"), QStringLiteral("three;")}) {
        EXPECT_EQ(focusedWindow().title, GtkTextField::title) << describeWindows();
        EXPECT_TRUE(windowTitled(QStringLiteral("Paste Stack"), quillbox.pid()));
        expected += text;
        ASSERT_EQ(quillbox.run({QStringLiteral("paste-next")}).exitCode, 0);
        ASSERT_EQ(field.waitForText(expected), expected)
            << quillbox.log().toStdString() << describeWindows()
            << gnomeShell->scriptErrors().toStdString();
    }
    // The run ends with its last item.
    EXPECT_TRUE(waitUntil(
        [&] { return !windowTitled(QStringLiteral("Paste Stack"), quillbox.pid()); }, 5s));
    EXPECT_EQ(focusedWindow().title, GtkTextField::title);
}

} // namespace
