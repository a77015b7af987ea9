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

TEST(ScreenshotNameRules, DecideByNameAndExtension) {
    const struct {
        const char* why;
        QString name;
        bool isScreenshot;
    } rows[] = {
        {"GNOME Shell", u"Screenshot from 2026-12-06 10-00-00.png"_s, true},
        {"GNOME Shell 45 and later", u"Screenshot From 2026-12-06 10-00-00-1.png"_s, true},
        {"GNOME in German", u"Bildschirmfoto vom 2026-12-06 10-00-00.png"_s, true},
        {"GNOME in French, typographic apostrophe",
         u"Capture d\u2019écran du 2026-12-06 10-00-00.png"_s, true},
        {"French, decomposed accent", u"Capture d'e\u0301cran 2026.png"_s, true},
        {"GNOME in Russian", u"Снимок экрана от 2026-12-06 10-00-00.png"_s, true},
        {"GNOME in Japanese", u"スクリーンショット 2026-12-06 10-00-00.png"_s, true},
        {"Spectacle", u"Screenshot_20261206_100000.png"_s, true},
        {"Xfce", u"Screenshot_2026-12-06_10-00-00.jpg"_s, true},
        {"German in capitals, upper-case JPG", u"BILDSCHIRMFOTO 1.JPG"_s, true},
        {"Flameshot default", u"2026-12-06_10-00.png"_s, true},
        {"Flameshot name taken", u"2026-12-06_10-00_2.png"_s, true},
        {"scrot default", u"2026-12-06-100000_1920x1080_scrot.png"_s, true},
        {"HEIC", u"Screenshot 1.heic"_s, true},
        {"a photo", u"holiday.png"_s, false},
        {"a dated photo, not Flameshot's shape", u"2026-12-06_10-00-00.png"_s, false},
        {"hidden temporary", u".Screenshot from 2026-12-06.png"_s, false},
        {"not an image", u"Screenshot notes.txt"_s, false},
        {"a screen recording", u"Screencast from 2026-12-06.webm"_s, false},
        {"PDF is not kept as an image", u"Screenshot 1.pdf"_s, false},
        {"no extension", u"Screenshot"_s, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ScreenshotNames::isScreenshotFileName(row.name), row.isScreenshot) << row.why;
}

// A made-up system: files by path, folders that exist.
class TableEnvironment : public ScreenshotFolderEnvironment {
public:
    QString desktop;
    QHash<QString, QByteArray> files;
    QSet<QString> folders;

    QString homePath() const override { return u"/home/ada"_s; }
    QString configHome() const override { return u"/home/ada/.config"_s; }
    QString picturesPath() const override { return u"/home/ada/Pictures"_s; }
    QString currentDesktop() const override { return desktop; }
    std::optional<QByteArray> readFile(const QString& path) const override {
        if (!files.contains(path))
            return std::nullopt;
        return files.value(path);
    }
    bool isDirectory(const QString& path) const override { return folders.contains(path); }
};

const QString spectaclerc = u"/home/ada/.config/spectaclerc"_s;
const QString flameshotIni = u"/home/ada/.config/flameshot/flameshot.ini"_s;
const QString xfceRc = u"/home/ada/.config/xfce4/xfce4-screenshooter"_s;

TEST(ScreenshotFolderLookup, FindsTheFolderTheToolSavesTo) {
    const struct {
        const char* why;
        QString desktop;
        QHash<QString, QByteArray> files;
        QSet<QString> folders;
        QString expected;
    } rows[] = {
        {"Spectacle's URL on KDE",
         u"KDE"_s,
         {{spectaclerc, "[General]\nx=1\n[Save]\ndefaultSaveLocation=file:///home/ada/"
                        "Shots/\n"}},
         {u"/home/ada/Shots"_s, u"/home/ada/Pictures"_s},
         u"/home/ada/Shots"_s},
        {"newer Spectacle, $HOME expanded",
         u"KDE"_s,
         {{spectaclerc, "[ImageSave]\nimageSaveLocation[$e]=$HOME/Grabs\n"}},
         {u"/home/ada/Grabs"_s},
         u"/home/ada/Grabs"_s},
        {"Flameshot's path beats GNOME's folder",
         u"ubuntu:GNOME"_s,
         {{flameshotIni, "[General]\nsavePath=/home/ada/flames\n"}},
         {u"/home/ada/flames"_s, u"/home/ada/Pictures/Screenshots"_s},
         u"/home/ada/flames"_s},
        {"the tool of this desktop first",
         u"XFCE"_s,
         {{flameshotIni, "[General]\nsavePath=~/flames\n"},
          {xfceRc, "screenshot_dir=file:///home/ada/xfce%20shots\n"}},
         {u"/home/ada/flames"_s, u"/home/ada/xfce shots"_s},
         u"/home/ada/xfce shots"_s},
        {"a configured folder that is gone is passed over",
         u"KDE"_s,
         {{spectaclerc, "[Save]\ndefaultSaveLocation=file:///home/ada/gone/\n"}},
         {u"/home/ada/Pictures"_s},
         u"/home/ada/Pictures"_s},
        {"GNOME's translated folder",
         u"GNOME"_s,
         {},
         {u"/home/ada/Pictures"_s, u"/home/ada/Pictures/Bildschirmfotos"_s},
         u"/home/ada/Pictures/Bildschirmfotos"_s},
        {"nothing at all: the Desktop", u"GNOME"_s, {}, {}, u"/home/ada/Desktop"_s},
    };
    for (const auto& row : rows) {
        TableEnvironment environment;
        environment.desktop = row.desktop;
        environment.files = row.files;
        environment.folders = row.folders;
        EXPECT_EQ(ScreenshotFolder::locate(environment).path, row.expected) << row.why;
    }
}

} // namespace
} // namespace quillbox::testing
