#include "app/CommandResult.h"

using namespace Qt::StringLiterals;

namespace quillbox {

QJsonObject CommandResult::toJson() const {
    return {{u"exitCode"_s, exitCode}, {u"output"_s, output}, {u"error"_s, error}};
}

std::optional<CommandResult> CommandResult::fromJson(const QJsonObject& object) {
    const auto code = object.value(u"exitCode"_s);
    if (!code.isDouble() || !object.value(u"output"_s).isString() ||
        !object.value(u"error"_s).isString())
        return std::nullopt;
    return CommandResult{code.toInt(), object.value(u"output"_s).toString(),
                         object.value(u"error"_s).toString()};
}

} // namespace quillbox
