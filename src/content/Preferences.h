#pragma once

#include <QObject>
#include <QSettings>
#include <QVariantMap>
#include <memory>

namespace quillbox {

// The user's preferences, kept in an INI file under $XDG_CONFIG_HOME/Quillbox/.
// Registered defaults live in memory only: they answer reads of keys that were
// never set and are never written to the file.
class Preferences : public QObject {
    Q_OBJECT
public:
    // The standard file: $XDG_CONFIG_HOME/Quillbox/Quillbox.conf.
    Preferences();
    explicit Preferences(const QString& filePath);
    ~Preferences() override;

    static QString defaultFilePath();

    void registerDefaults(const QVariantMap& defaults);

    QVariant value(const QString& key) const;
    bool boolValue(const QString& key) const;
    int intValue(const QString& key) const;
    double doubleValue(const QString& key) const;
    bool contains(const QString& key) const; // set by the user, not a default

    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);
    void sync();

    QString filePath() const;

Q_SIGNALS:
    void valueChanged(const QString& key);

private:
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_defaults;
};

} // namespace quillbox
