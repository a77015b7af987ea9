// Which names are screenshots, and where the screenshot folder is: pure
// tables over the rules and a made-up system.
#include "capture/ScreenshotFolder.h"
#include "capture/ScreenshotNames.h"

#include <QHash>
#include <QSet>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox::testing {
namespace {

struct NameCase {
    const char* why;
    QString name;
    bool isScreenshot;
};

class ScreenshotNameRules : public ::testing::TestWithParam<NameCase> {};

TEST_P(ScreenshotNameRules, DecideByNameAndExtension) {
    EXPECT_EQ(ScreenshotNames::isScreenshotFileName(GetParam().name), GetParam().isScreenshot)
        << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScreenshotNameRules,
    ::testing::Values(
        NameCase{"GNOME Shell", u"Screenshot from 2026-12-06 10-00-00.png"_s, true},
        NameCase{"GNOME Shell 45 and later", u"Screenshot From 2026-12-06 10-00-00-1.png"_s, true},
        NameCase{"GNOME in German", u"Bildschirmfoto vom 2026-12-06 10-00-00.png"_s, true},
        NameCase{"GNOME in French, typographic apostrophe",
                 u"Capture d\u2019écran du 2026-12-06 10-00-00.png"_s, true},
        NameCase{"French, decomposed accent", u"Capture d'e\u0301cran 2026.png"_s, true},
        NameCase{"GNOME in Russian", u"Снимок экрана от 2026-12-06 10-00-00.png"_s, true},
        NameCase{"GNOME in Japanese", u"スクリーンショット 2026-12-06 10-00-00.png"_s, true},
        NameCase{"Spectacle", u"Screenshot_20261206_100000.png"_s, true},
        NameCase{"Xfce", u"Screenshot_2026-12-06_10-00-00.jpg"_s, true},
        NameCase{"German in capitals, upper-case JPG", u"BILDSCHIRMFOTO 1.JPG"_s, true},
        NameCase{"Flameshot default", u"2026-12-06_10-00.png"_s, true},
        NameCase{"Flameshot name taken", u"2026-12-06_10-00_2.png"_s, true},
        NameCase{"scrot default", u"2026-12-06-100000_1920x1080_scrot.png"_s, true},
        NameCase{"HEIC", u"Screenshot 1.heic"_s, true},
        NameCase{"a photo", u"holiday.png"_s, false},
        NameCase{"a dated photo, not Flameshot's shape", u"2026-12-06_10-00-00.png"_s, false},
        NameCase{"hidden temporary", u".Screenshot from 2026-12-06.png"_s, false},
        NameCase{"not an image", u"Screenshot notes.txt"_s, false},
        NameCase{"a screen recording", u"Screencast from 2026-12-06.webm"_s, false},
        NameCase{"PDF is not kept as an image", u"Screenshot 1.pdf"_s, false},
        NameCase{"no extension", u"Screenshot"_s, false}));

// A made-up system: files by path, folders that exist.
class TableEnvironment : public ScreenshotFolderEnvironment {
public:
    QString desktop;
    QString pictures = u"/home/ada/Pictures"_s;
    QHash<QString, QByteArray> files;
    QSet<QString> folders;

    QString homePath() const override { return u"/home/ada"_s; }
    QString configHome() const override { return u"/home/ada/.config"_s; }
    QString picturesPath() const override { return pictures; }
    QString currentDesktop() const override { return desktop; }
    std::optional<QByteArray> readFile(const QString& path) const override {
        if (!files.contains(path))
            return std::nullopt;
        return files.value(path);
    }
    bool isDirectory(const QString& path) const override { return folders.contains(path); }
};

struct FolderCase {
    const char* why;
    QString desktop;
    QHash<QString, QByteArray> files;
    QSet<QString> folders;
    QString expected;
};

class ScreenshotFolderLookup : public ::testing::TestWithParam<FolderCase> {};

TEST_P(ScreenshotFolderLookup, FindsTheFolderTheToolSavesTo) {
    TableEnvironment environment;
    environment.desktop = GetParam().desktop;
    environment.files = GetParam().files;
    environment.folders = GetParam().folders;
    EXPECT_EQ(ScreenshotFolder::locate(environment).path, GetParam().expected) << GetParam().why;
}

const QString spectaclerc = u"/home/ada/.config/spectaclerc"_s;
const QString flameshotIni = u"/home/ada/.config/flameshot/flameshot.ini"_s;
const QString xfceRc = u"/home/ada/.config/xfce4/xfce4-screenshooter"_s;

INSTANTIATE_TEST_SUITE_P(
    Table, ScreenshotFolderLookup,
    ::testing::Values(
        FolderCase{"Spectacle's URL on KDE",
                   u"KDE"_s,
                   {{spectaclerc, "[General]\nx=1\n[Save]\ndefaultSaveLocation=file:///home/ada/"
                                  "Shots/\n"}},
                   {u"/home/ada/Shots"_s, u"/home/ada/Pictures"_s},
                   u"/home/ada/Shots"_s},
        FolderCase{"newer Spectacle, $HOME expanded",
                   u"KDE"_s,
                   {{spectaclerc, "[ImageSave]\nimageSaveLocation[$e]=$HOME/Grabs\n"}},
                   {u"/home/ada/Grabs"_s},
                   u"/home/ada/Grabs"_s},
        FolderCase{"Flameshot's path beats GNOME's folder",
                   u"ubuntu:GNOME"_s,
                   {{flameshotIni, "[General]\nsavePath=/home/ada/flames\n"}},
                   {u"/home/ada/flames"_s, u"/home/ada/Pictures/Screenshots"_s},
                   u"/home/ada/flames"_s},
        FolderCase{"the tool of this desktop first",
                   u"XFCE"_s,
                   {{flameshotIni, "[General]\nsavePath=~/flames\n"},
                    {xfceRc, "screenshot_dir=file:///home/ada/xfce%20shots\n"}},
                   {u"/home/ada/flames"_s, u"/home/ada/xfce shots"_s},
                   u"/home/ada/xfce shots"_s},
        FolderCase{"a configured folder that is gone is passed over",
                   u"KDE"_s,
                   {{spectaclerc, "[Save]\ndefaultSaveLocation=file:///home/ada/gone/\n"}},
                   {u"/home/ada/Pictures"_s},
                   u"/home/ada/Pictures"_s},
        FolderCase{"GNOME's translated folder",
                   u"GNOME"_s,
                   {},
                   {u"/home/ada/Pictures"_s, u"/home/ada/Pictures/Bildschirmfotos"_s},
                   u"/home/ada/Pictures/Bildschirmfotos"_s},
        FolderCase{"nothing at all: the Desktop", u"GNOME"_s, {}, {}, u"/home/ada/Desktop"_s}));

} // namespace
} // namespace quillbox::testing
