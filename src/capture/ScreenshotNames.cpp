#include "capture/ScreenshotNames.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace quillbox::ScreenshotNames {

const QStringList& imageExtensions() {
    static const QStringList extensions{QStringLiteral("png"), QStringLiteral("jpg"),
                                        QStringLiteral("jpeg"), QStringLiteral("tiff"),
                                        QStringLiteral("heic")};
    return extensions;
}

const QStringList& nameFragments() {
    // Lower case, composed (NFC). The tools' defaults:
    //   GNOME Shell        "Screenshot from 2024-05-01 14-03-07.png" (since 45
    //                      "Screenshot From …"), translated: "Bildschirmfoto vom …",
    //                      "Capture d’écran du …", "Captura de pantalla de …", …
    //   gnome-screenshot   "Screenshot from 2024-05-01 14-03-07.png", translated likewise
    //   Spectacle          "Screenshot_20240501_140307.png"
    //   Xfce screenshooter "Screenshot_2024-05-01_14-03-07.png" ("Screenshot" translated)
    //   scrot              "2024-05-01-140307_1920x1080_scrot.png"
    //   ksnip              "ksnip_20240501-140307.png"
    //   Flameshot          "2024-05-01_14-03.png": no word at all (see below)
    static const QStringList fragments{
        QStringLiteral("screenshot"),
        QStringLiteral("screen shot"),
        QStringLiteral("bildschirmfoto"),       // de
        QStringLiteral("capture d'écran"),      // fr, ASCII apostrophe
        QStringLiteral("capture d\u2019écran"), // fr, GNOME's typographic apostrophe
        QStringLiteral("captura de pantalla"),  // es, ca
        QStringLiteral("captura de tela"),      // pt_BR
        QStringLiteral("captura de ecrã"),      // pt
        QStringLiteral("schermata"),            // it (GNOME)
        QStringLiteral("istantanea schermo"),   // it
        QStringLiteral("schermafdruk"),         // nl (GNOME)
        QStringLiteral("schermafbeelding"),     // nl
        QStringLiteral("skärmbild"),            // sv
        QStringLiteral("skærmbillede"),         // da
        QStringLiteral("skjermbilde"),          // nb
        QStringLiteral("kuvakaappaus"),         // fi
        QStringLiteral("képernyőkép"),          // hu
        QStringLiteral("zrzut ekranu"),         // pl
        QStringLiteral("snímek obrazovky"),     // cs
        QStringLiteral("snímka obrazovky"),     // sk
        QStringLiteral("ekran görüntüsü"),      // tr
        QStringLiteral("снимок экрана"),        // ru
        QStringLiteral("знімок екрана"),        // uk
        QStringLiteral("スクリーンショット"),   // ja
        QStringLiteral("截图"),                 // zh_CN (GNOME)
        QStringLiteral("截屏"),                 // zh_CN
        QStringLiteral("擷圖"),                 // zh_TW (GNOME)
        QStringLiteral("螢幕截圖"),             // zh_TW
        QStringLiteral("스크린샷"),             // ko
        QStringLiteral("_scrot"),               // scrot's default suffix
        QStringLiteral("ksnip_"),               // ksnip's default prefix
    };
    return fragments;
}

namespace {

// Flameshot's default pattern "%F_%H-%M", with "_N" added when the name is
// taken: a bare date and time, nothing that says screenshot. Only the exact
// shape counts, so other dated images in the folder are left alone.
bool isFlameshotDefaultName(const QString& baseName) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2}_\d{2}-\d{2}(_\d+)?$)"));
    return pattern.match(baseName).hasMatch();
}

} // namespace

bool isScreenshotFileName(const QString& fileName) {
    if (fileName.isEmpty() || fileName.startsWith(u'.'))
        return false;
    const QFileInfo info(fileName);
    if (!imageExtensions().contains(info.suffix().toLower()))
        return false;
    // Composed and decomposed accents compare equal: "écran" may come either way.
    const QString name = fileName.normalized(QString::NormalizationForm_C).toLower();
    for (const QString& fragment : nameFragments()) {
        if (name.contains(fragment))
            return true;
    }
    return isFlameshotDefaultName(info.completeBaseName());
}

} // namespace quillbox::ScreenshotNames
