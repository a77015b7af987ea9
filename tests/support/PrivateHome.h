#pragma once

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// The private folders of one Quillbox history, and the environment that
// points the program there: its own home and XDG folders, and a session bus
// that leads nowhere, so a run touches nothing of the user's.
struct PrivateHome {
    explicit PrivateHome(const QProcessEnvironment& display)
        : environment(display) {
        const QString root = folder.path();
        for (const auto* name : {"home", "data/Quillbox", "config", "runtime"})
            QDir().mkpath(root + u'/' + QString::fromLatin1(name));
        QFile::setPermissions(root + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                           QStringLiteral("unix:path=/nonexistent/quillbox-bench"));
    }

    QString path(const QString& relative) const { return folder.filePath(relative); }
    QString storePath() const { return path(QStringLiteral("data/Quillbox/Quillbox.store")); }

    QTemporaryDir folder;
    QProcessEnvironment environment;
};
