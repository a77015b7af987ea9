#include "content/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace quillbox {

Preferences::Preferences()
    : Preferences(defaultFilePath()) {
}

Preferences::Preferences(const QString& filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {
    // Preferences say little, but they are the user's alone like the history.
    QDir().mkpath(QFileInfo(filePath).absolutePath());
}

Preferences::~Preferences() = default;

QString Preferences::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quillbox/Quillbox.conf");
}

void Preferences::registerDefaults(const QVariantMap& defaults) {
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        m_defaults.insert(it.key(), it.value());
}

QVariant Preferences::value(const QString& key) const {
    if (m_settings->contains(key))
        return m_settings->value(key);
    return m_defaults.value(key);
}

bool Preferences::boolValue(const QString& key) const {
    return value(key).toBool();
}

int Preferences::intValue(const QString& key) const {
    return value(key).toInt();
}

double Preferences::doubleValue(const QString& key) const {
    return value(key).toDouble();
}

bool Preferences::contains(const QString& key) const {
    return m_settings->contains(key);
}

void Preferences::setValue(const QString& key, const QVariant& value) {
    m_settings->setValue(key, value);
    m_settings->sync();
    QFile::setPermissions(m_settings->fileName(), QFile::ReadOwner | QFile::WriteOwner);
    Q_EMIT valueChanged(key);
}

void Preferences::remove(const QString& key) {
    m_settings->remove(key);
    m_settings->sync();
    Q_EMIT valueChanged(key);
}

void Preferences::sync() {
    m_settings->sync();
}

QString Preferences::filePath() const {
    return m_settings->fileName();
}

} // namespace quillbox
