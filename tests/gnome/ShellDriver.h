#pragma once

#include <QByteArray>
#include <QDBusMessage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace quillbox::testing {

// A call to the Shell's own connection on the session bus.
QDBusMessage shellCall(const QString& path, const QString& interface, const QString& method,
                       const QVariantList& arguments = {});
// The test extension, acting as an application of the session.
QDBusMessage driver(const QString& method, const QVariantList& arguments = {});
// Quillbox's extension (Quillbox's own calls to it, made from the test).
QDBusMessage quillboxExtension(const QString& method, const QVariantList& arguments = {});

// An application copies (GNOME 43's scripts offer one type per source);
// false when the Shell refused.
bool applicationCopies(const QString& mimeType, const QByteArray& bytes);
// What another application would paste.
QByteArray applicationPastes(const QString& mimeType);
QStringList offeredTypes();

// A window as the Shell shows it.
struct ShownWindow {
    QString title;
    QString wmClass;
    uint pid = 0;
    bool focused = false;
    QRect frame;
};
QList<ShownWindow> shownWindows();
// The focused window, if any.
ShownWindow focusedWindow();
// The primary monitor: whole, and its work area (without the top bar).
struct MonitorArea {
    QRect geometry;
    QRect workArea;
};
MonitorArea monitorArea();

} // namespace quillbox::testing
