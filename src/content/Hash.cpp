#include "content/Hash.h"

#include <QCryptographicHash>

namespace quillbox {

QString sha256Hash(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace quillbox
