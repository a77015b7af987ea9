// The settings window over a real store, preferences file, autostart folder
// and application folder, all in a temporary folder.
#include "FakeAccessProbe.h"
#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "core/AccessibilityManager.h"
#include "history/HistoryStore.h"
#include "linux/desktop/DesktopApplicationCatalog.h"
#include "linux/desktop/XdgAutostartLoginItem.h"
#include "ui/CardSymbols.h"
#include "ui/settings/ApplicationPickerDialog.h"
#include "ui/settings/GeneralSettingsPage.h"
#include "ui/settings/PinboardsSettingsPage.h"
#include "ui/settings/RulesSettingsPage.h"
#include "ui/settings/SettingsStyle.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/settings/ShortcutsSettingsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace quillbox::testing {
namespace {

class SettingsWindowTest : public ::testing::Test {
protected:
    SettingsWindowTest()
        : preferences(directory.filePath(u"Quillbox.conf"_s))
        , store(StoreContainer::makeShared(false, directory.filePath(u"Quillbox.store"_s)))
        , accessibility(probe)
        , loginItem(directory.filePath(u"config/autostart"_s), u"quillbox"_s) {
        // Installed applications come from this folder only.
        qputenv("XDG_DATA_HOME", directory.filePath(u"data"_s).toUtf8());
        qputenv("XDG_DATA_DIRS", directory.filePath(u"system"_s).toUtf8());
        writeFile(directory.filePath(u"data/applications/org.example.Editor.desktop"_s),
                  "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor\n");
        writeFile(directory.filePath(u"data/applications/org.example.Viewer.desktop"_s),
                  "[Desktop Entry]\nType=Application\nName=Image Viewer\nExec=viewer\n");
        AppConstants::registerDefaults(preferences);
        window = std::make_unique<SettingsWindow>(
            SettingsContext{preferences, store, accessibility, loginItem, applications,
                            directory.filePath(u"Quillbox.store"_s), nullptr});
    }

    template <typename T> T* find(const QString& name) {
        T* widget = window->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }

    QTemporaryDir directory;
    Preferences preferences;
    HistoryStore store;
    FakeAccessProbe probe;
    AccessibilityManager accessibility;
    XdgAutostartLoginItem loginItem;
    DesktopApplicationCatalog applications;
    std::unique_ptr<SettingsWindow> window;
};

TEST_F(SettingsWindowTest, LaunchAtLoginShowsTheAutostartFileAsItIs) {
    window->present();
    auto* toggle = find<QCheckBox>(u"launchAtLoginSwitch"_s);
    auto* error = find<QLabel>(u"launchAtLoginError"_s);
    const QString file = loginItem.filePath();
    EXPECT_FALSE(toggle->isChecked());

    toggle->click();
    EXPECT_TRUE(readFile(file).contains("\nExec=quillbox\n"));
    toggle->click();
    EXPECT_FALSE(QFileInfo::exists(file));

    // Edited outside: the page shows the file's state each time it is shown.
    const struct {
        const char* text;
        bool isOn;
    } edits[] = {
        {"[Desktop Entry]\nType=Application\nExec=quillbox\n", true},
        {"[Desktop Entry]\nType=Application\nExec=quillbox\nHidden=true\n", false},
        {"[Desktop Entry]\nType=Application\nX-GNOME-Autostart-enabled=false\n", false},
        // Keys of a later group say nothing about the entry.
        {"[Desktop Entry]\nType=Application\n[Desktop Action Quit]\nHidden=true\n", true},
    };
    for (const auto& edit : edits) {
        writeFile(file, edit.text);
        window->tabs()->setCurrentIndex(1);
        window->tabs()->setCurrentIndex(0);
        EXPECT_EQ(toggle->isChecked(), edit.isOn) << edit.text;
    }
    // Switching a hand-disabled entry on rewrites it as on.
    writeFile(file, edits[1].text);
    window->generalPage()->refresh();
    toggle->click();
    EXPECT_TRUE(loginItem.isEnabled());
    EXPECT_TRUE(error->isHidden());
    toggle->click();

    // A file where the autostart folder should be: nothing can be written.
    QDir(QFileInfo(file).path()).removeRecursively();
    writeFile(QFileInfo(file).path(), "not a folder");
    toggle->click();
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_FALSE(error->isHidden());
    EXPECT_TRUE(error->text().startsWith(u"Couldn't change launch at login: "_s))
        << error->text().toStdString();
    EXPECT_TRUE(QFileInfo(QFileInfo(file).path()).isFile());
}

// GLib's desktop-entry reader runs the entry written for a program under
// folders whose names need every kind of escape.
TEST(AutostartEntryTest, TheDesktopRunsTheProgramWhateverItsPath) {
    QTemporaryDir directory;
    const QString marker = directory.filePath(u"ran"_s);
    const QString folders[] = {u"50%fun"_s,
                               u"two  spaces"_s,
                               u"quote\"s and 'apos'"_s,
                               u"$HOME `id` ~x"_s,
                               u"back\\slash\\n"_s,
                               u"new\nline\ttab"_s,
                               u"semi;colon & (a|b) * ? # <>"_s,
                               u"%f %U 100%"_s,
                               u"a=b%"_s};
    for (const QString& folder : folders) {
        SCOPED_TRACE(folder.toStdString());
        const QString program = directory.filePath(folder + u"/prog"_s);
        ASSERT_TRUE(writeFile(program, "#!/bin/sh\nprintf '%s' \"$0\" > \"$QUILLBOX_MARKER.part\"\n"
                                       "mv \"$QUILLBOX_MARKER.part\" \"$QUILLBOX_MARKER\"\n"));
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        XdgAutostartLoginItem item(directory.filePath(u"autostart"_s), program);
        ASSERT_EQ(item.enable(), std::nullopt);
        const QByteArray entry = readFile(item.filePath());
        EXPECT_EQ(entry.count("\nExec="), 1) << entry.constData();
        QFile::remove(marker);
        QProcess gio;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QUILLBOX_MARKER"_s, marker);
        gio.setProcessEnvironment(environment);
        gio.start(u"gio"_s, {u"launch"_s, item.filePath()});
        ASSERT_TRUE(gio.waitForFinished(10'000));
        EXPECT_EQ(gio.exitCode(), 0) << gio.readAllStandardError().constData();
        EXPECT_TRUE(waitUntil([&] { return QFileInfo::exists(marker); }, 10s));
        EXPECT_EQ(QString::fromUtf8(readFile(marker)), program);
    }
    // A control character has no escape: nothing is written, and the user is told.
    XdgAutostartLoginItem unwritable(directory.filePath(u"refused"_s),
                                     directory.filePath(u"bell\x07/prog"_s));
    const auto reason = unwritable.enable();
    ASSERT_TRUE(reason);
    EXPECT_TRUE(reason->contains(u"control characters"_s));
    EXPECT_FALSE(QFileInfo::exists(unwritable.filePath()));
}

TEST_F(SettingsWindowTest, TheGeneralPageShowsWholeWithTheAccessAndLoginErrorRows) {
    window->present();
    ASSERT_FALSE(accessibility.isAccessibilityGranted()); // the longer row, with its button
    const QScrollBar* bar = window->generalScroller()->verticalScrollBar();
    serveFor(100ms);
    EXPECT_EQ(bar->maximum(), 0) << "the general page scrolls at the window's own size";

    // The message of a failed change joins the page under the switch.
    const QString folder = QFileInfo(loginItem.filePath()).path();
    writeFile(folder, "not a folder");
    find<QCheckBox>(u"launchAtLoginSwitch"_s)->click();
    ASSERT_FALSE(find<QLabel>(u"launchAtLoginError"_s)->isHidden());
    serveFor(100ms);
    EXPECT_EQ(bar->maximum(), 0) << "the login error pushes the page into scrolling";
}

TEST_F(SettingsWindowTest, RetentionChoicePrunesAtOnce) {
    auto old = store.record(textContent(u"old"_s), {}, {});
    store.setCopiedAt(old, QDateTime::currentDateTimeUtc().addDays(-2));
    store.record(textContent(u"new"_s), {}, {});
    auto* picker = find<QComboBox>(u"retentionPicker"_s);
    EXPECT_EQ(picker->currentText(), u"Unlimited"_s);
    picker->setCurrentIndex(picker->findData(-1));
    Q_EMIT picker->activated(picker->currentIndex());
    EXPECT_EQ(store.itemCount(), 2);
    picker->setCurrentIndex(picker->findData(1));
    Q_EMIT picker->activated(picker->currentIndex());
    EXPECT_EQ(preferences.intValue(AppConstants::Keys::retentionDays), 1);
    EXPECT_EQ(store.itemCount(), 1);
}

TEST_F(SettingsWindowTest, PinboardsAreAddedRenamedAndDeletedThroughTheStore) {
    window->present();
    window->tabs()->setCurrentWidget(window->pinboardsPage());
    auto* name = find<QLineEdit>(u"newPinboardName"_s);
    auto* add = find<QPushButton>(u"addPinboardButton"_s);
    EXPECT_FALSE(add->isEnabled());

    // Spaces alone enable the button but add nothing, and stay in the field.
    QTest::keyClicks(name, u"   "_s);
    EXPECT_TRUE(add->isEnabled());
    add->click();
    EXPECT_TRUE(store.pinboards().isEmpty());
    EXPECT_EQ(name->text(), u"   "_s);

    name->clear();
    QTest::keyClicks(name, u" \tWork \t"_s);
    add->click();
    QTest::keyClicks(name, u"Home"_s);
    add->click();
    const auto pinboards = store.pinboards();
    ASSERT_EQ(pinboards.size(), 2);
    EXPECT_EQ(pinboards.at(0)->name(), u"Work"_s);
    EXPECT_EQ(pinboards.at(0)->colorHex(), u"#007AFF"_s);
    EXPECT_EQ(pinboards.at(1)->sortOrder(), 1);
    EXPECT_TRUE(name->text().isEmpty());

    // Renaming writes each keystroke, and the field being typed in stays.
    serveFor(50ms);
    auto* row = window->findChild<QWidget*>(u"pinboardRow0"_s);
    ASSERT_NE(row, nullptr);
    auto* rowName = row->findChild<QLineEdit*>(u"pinboardName"_s);
    rowName->setFocus();
    QTest::keyClicks(rowName, u"s"_s);
    serveFor(50ms);
    QTest::keyClicks(rowName, u"!"_s);
    serveFor(50ms);
    EXPECT_EQ(store.pinboards().at(0)->name(), u"Works!"_s);
    EXPECT_EQ(window->findChild<QWidget*>(u"pinboardRow0"_s)->findChild<QLineEdit*>(), rowName);

    // Deleting a pinboard keeps its items in the history.
    auto item = store.record(textContent(u"kept"_s), {}, {});
    store.add(item, pinboards.at(0));
    auto* list = find<QListWidget>(u"pinboardList"_s);
    list->setCurrentRow(0);
    find<QPushButton>(u"deletePinboardButton"_s)->click();
    ASSERT_EQ(store.pinboards().size(), 1);
    EXPECT_EQ(store.pinboards().at(0)->name(), u"Home"_s);
    EXPECT_NE(store.itemWithID(item->id()), nullptr);
    serveFor(50ms);
    EXPECT_EQ(list->count(), 1);
}

// Another window changing the store (the panel's context menu, the command
// line) leaves the rows that stay as they are: their widgets and selection.
TEST_F(SettingsWindowTest, RowsFollowTheStoreOneChangeAtATime) {
    const auto rowAfterChange = [&](const QString& listName, const QString& rowName, int row,
                                    const std::function<void()>& change) {
        auto* list = find<QListWidget>(listName);
        QWidget* before = window->findChild<QWidget*>(rowName + QString::number(row));
        list->setCurrentRow(row);
        change();
        serveFor(50ms);
        EXPECT_EQ(list->selectedItems().size(), 1);
        const int now = list->currentRow();
        EXPECT_EQ(window->findChild<QWidget*>(rowName + QString::number(now)), before);
        return now;
    };
    const auto home = store.createPinboard(u"Home"_s, u"#007AFF"_s, 0);
    const auto work = store.createPinboard(u"Work"_s, u"#007AFF"_s, 1);
    serveFor(50ms);
    EXPECT_EQ(rowAfterChange(u"pinboardList"_s, u"pinboardRow"_s, 1,
                             [&] { store.createPinboard(u"Later"_s, u"#007AFF"_s, 2); }),
              1);
    EXPECT_EQ(
        rowAfterChange(u"pinboardList"_s, u"pinboardRow"_s, 1, [&] { store.deletePinboard(home); }),
        0);
    EXPECT_EQ(store.pinboards().at(0), work);

    store.addAppRule(u"org.example.Editor"_s, u"Editor"_s);
    serveFor(50ms);
    EXPECT_EQ(rowAfterChange(u"ruleList"_s, u"ruleRow"_s, 0,
                             [&] { store.addAppRule(u"org.example.Able"_s, u"Able"_s); }),
              1);
}

TEST_F(SettingsWindowTest, AScreenshotFolderThatDoesNotExistIsShownAsAwaited) {
    const QString folder = directory.filePath(u"Desktop"_s);
    const auto shownFolder = [&] {
        SettingsWindow settings(
            SettingsContext{preferences, store, accessibility, loginItem, applications,
                            directory.filePath(u"Quillbox.store"_s), [&] { return folder; }});
        QStringList texts;
        for (auto* label : settings.findChildren<QLabel*>())
            if (label->objectName().startsWith(u"screenshotFolder"_s))
                texts.append(label->text());
        return texts.join(u' ');
    };
    EXPECT_TRUE(shownFolder().contains(u"once it exists"_s)) << shownFolder().toStdString();
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(shownFolder().contains(u"once it exists"_s));
}

TEST(PinboardColorTest, HexTextTruncatesComponents) {
    EXPECT_EQ(PinboardsSettingsPage::toHex(QColor::fromRgbF(0.5f, 0.999f, 0.0f)), u"#7FFE00"_s);
    EXPECT_EQ(PinboardsSettingsPage::toHex(QColor(255, 59, 48, 10)), u"#FF3B30"_s);
    EXPECT_EQ(PinboardsSettingsPage::trimmedName(u"\t a b \t"_s), u"a b"_s);
    EXPECT_EQ(PinboardsSettingsPage::trimmedName(u"\nx\n"_s), u"\nx\n"_s);
}

TEST_F(SettingsWindowTest, RulesAddInstalledApplicationsOnceAndFromFiles) {
    auto* rules = window->rulesPage();
    ApplicationPickerDialog picker(applications);
    QList<InstalledApplication> chosen;
    QObject::connect(&picker, &ApplicationPickerDialog::applicationChosen,
                     [&](const InstalledApplication& application) {
                         chosen.append(application);
                         rules->addApplication(application);
                     });
    picker.setFilter(u"view"_s);
    EXPECT_EQ(picker.visibleCount(), 1);
    picker.findChild<QPushButton*>(u"addChosenApplicationButton"_s)->click();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.at(0).identifier, u"org.example.Viewer"_s);
    EXPECT_EQ(chosen.at(0).name, u"Image Viewer"_s);
    EXPECT_TRUE(store.isAppExcluded(u"org.example.Viewer"_s));

    // The same application twice makes one rule; identifiers differ by case.
    EXPECT_FALSE(rules->addApplication({u"org.example.Viewer"_s, u"Again"_s, {}}));
    EXPECT_TRUE(rules->addApplication({u"org.example.viewer"_s, u"Lower"_s, {}}));
    EXPECT_EQ(store.appRules().size(), 2);

    // From a file: a desktop entry names its application; any other file is
    // known by its file name and named without the extension.
    const QString tool = directory.filePath(u"MyTool.AppImage"_s);
    writeFile(tool, "binary");
    picker.chooseFile(tool);
    picker.chooseFile(directory.filePath(u"data/applications/org.example.Editor.desktop"_s));
    ASSERT_EQ(chosen.size(), 3);
    EXPECT_EQ(chosen.at(1).identifier, u"MyTool.AppImage"_s);
    EXPECT_EQ(chosen.at(1).name, u"MyTool"_s);
    EXPECT_EQ(chosen.at(2).identifier, u"org.example.Editor"_s);
    EXPECT_EQ(chosen.at(2).name, u"Editor"_s);
    EXPECT_TRUE(store.isAppExcluded(u"MyTool.AppImage"_s));

    // The row's switch lets the application's copies in again.
    serveFor(50ms);
    QCheckBox* editorSwitch = nullptr;
    for (auto* row : rules->findChildren<QWidget*>(QRegularExpression(u"^ruleRow"_s)))
        if (row->findChild<QLabel*>(u"ruleName"_s)->text() == u"Editor"_s)
            editorSwitch = row->findChild<QCheckBox*>();
    ASSERT_NE(editorSwitch, nullptr);
    editorSwitch->click();
    EXPECT_FALSE(store.isAppExcluded(u"org.example.Editor"_s));

    // Without an icon of its own, an application shows the application symbol.
    QPixmap symbol(20, 20);
    symbol.fill(Qt::transparent);
    QPainter painter(&symbol);
    CardSymbols::drawAppIcon(painter, std::nullopt, QRectF(0, 0, 20, 20),
                             SettingsStyle::secondaryText());
    painter.end();
    QLabel* toolIcon = nullptr;
    for (auto* row : rules->findChildren<QWidget*>(QRegularExpression(u"^ruleRow"_s)))
        if (row->findChild<QLabel*>(u"ruleName"_s)->text() == u"MyTool"_s)
            toolIcon = row->findChild<QLabel*>(u"ruleIcon"_s);
    ASSERT_NE(toolIcon, nullptr);
    EXPECT_EQ(toolIcon->pixmap().toImage(), symbol.toImage());
}

} // namespace
} // namespace quillbox::testing
