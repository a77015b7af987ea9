#include "app/PlatformDescription.h"

using namespace Qt::StringLiterals;

namespace quillbox {

QString PlatformDescription::text() const {
    QString text = u"Platform:  %1\n"_s.arg(backend);
    const auto line = [&text](const QString& label, const QString& value) {
        if (!value.isEmpty())
            text += u"  %1: %2\n"_s.arg(label, value);
    };
    line(u"capture"_s, capture);
    line(u"paste"_s, paste);
    line(u"hot keys"_s, hotKeys);
    line(u"source application"_s, sourceApplication);
    return text;
}

QJsonObject PlatformDescription::toJson() const {
    return {{u"backend"_s, backend},
            {u"capture"_s, capture},
            {u"paste"_s, paste},
            {u"hotKeys"_s, hotKeys},
            {u"sourceApplication"_s, sourceApplication}};
}

} // namespace quillbox
