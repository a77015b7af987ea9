#pragma once

#include <QString>
#include <QUuid>
#include <memory>

namespace quillbox {

// An application, by bundle identifier, whose copies are kept out of the
// history while the rule is in force (isExcluded). Fields change only through
// HistoryStore.
class AppRule {
public:
    AppRule(QString bundleIdentifier, QString appName, bool isExcluded);

    QUuid id() const { return m_id; }
    QString bundleIdentifier() const { return m_bundleIdentifier; }
    QString appName() const { return m_appName; }
    bool isExcluded() const { return m_isExcluded; }

    qint64 persistentID() const { return m_rowID; }

private:
    friend class HistoryStore;
    friend class HistoryDatabase;
    AppRule() = default;

    qint64 m_rowID = 0;
    QUuid m_id;
    QString m_bundleIdentifier;
    QString m_appName;
    bool m_isExcluded = true;
};

using AppRulePtr = std::shared_ptr<AppRule>;

} // namespace quillbox
