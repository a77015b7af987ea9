#include "ui/settings/SettingsSnapshots.h"

#include "content/Logging.h"
#include "ui/settings/SettingsWindow.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

void settle() {
    QApplication::processEvents();
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

bool save(const QPixmap& pixmap, const QString& path, QStringList& written) {
    if (!pixmap.save(path, "PNG")) {
        qCWarning(lcUi).noquote() << u"Quillbox: could not write the snapshot %1"_s.arg(path);
        return false;
    }
    written.append(path);
    return true;
}

} // namespace

QStringList renderSettingsSnapshots(const QString& folder, SettingsWindow& window,
                                    QMenu* trayMenu) {
    static const QStringList pageNames{u"general"_s, u"shortcuts"_s, u"rules"_s, u"pinboards"_s,
                                       u"about"_s};
    QStringList written;
    QDir().mkpath(folder);
    const QDir dir(folder);
    const int shownPage = window.tabs()->currentIndex();
    window.present();
    for (int page = 0; page < window.tabs()->count() && page < pageNames.size(); ++page) {
        window.tabs()->setCurrentIndex(page);
        settle();
        save(window.grab(), dir.filePath(u"settings-%1.png"_s.arg(pageNames.at(page))), written);
    }
    window.tabs()->setCurrentIndex(shownPage);
    if (trayMenu) {
        // Opening it runs aboutToShow, which fills it as a click on the tray does.
        trayMenu->popup(window.geometry().topLeft());
        settle();
        save(trayMenu->grab(), dir.filePath(u"tray-menu.png"_s), written);
        trayMenu->hide();
    }
    return written;
}

} // namespace quillbox
