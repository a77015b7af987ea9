#pragma once

#include <QByteArray>
#include <QString>

namespace quillbox {

// SHA-256 of all the bytes as 64 lower-case hexadecimal digits: the key by
// which the history recognises content it has seen before.
QString sha256Hash(const QByteArray& bytes);

} // namespace quillbox
