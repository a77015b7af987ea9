#include "history/AppRule.h"

namespace quillbox {

AppRule::AppRule(QString bundleIdentifier, QString appName, bool isExcluded)
    : m_id(QUuid::createUuid())
    , m_bundleIdentifier(std::move(bundleIdentifier))
    , m_appName(std::move(appName))
    , m_isExcluded(isExcluded) {
}

} // namespace quillbox
