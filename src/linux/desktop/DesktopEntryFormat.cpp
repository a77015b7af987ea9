#include "linux/desktop/DesktopEntryFormat.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <utility>

namespace quillbox::DesktopEntryFormat {

namespace {

// Desktop files are a few kilobytes; anything far larger is not one.
constexpr qint64 maxDesktopFileSize = 1024 * 1024;

// Each escape's letter and the character it stands for. \s (a space) is
// read but never written: only a value's leading space needs it.
constexpr std::array<std::pair<char16_t, char16_t>, 4> escapes{{
    {u'\\', u'\\'},
    {u'n', u'\n'},
    {u't', u'\t'},
    {u'r', u'\r'},
}};

} // namespace

QHash<QString, QString> mainGroup(const QString& path) {
    QHash<QString, QString> values;
    QFile file(path);
    if (!QFileInfo(file).isFile() || file.size() > maxDesktopFileSize ||
        !file.open(QIODevice::ReadOnly))
        return values;
    bool inMainGroup = false;
    for (const auto& rawLine : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            // Only the first group describes the application; actions follow.
            if (inMainGroup)
                break;
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        const auto equals = line.indexOf(u'=');
        if (!inMainGroup || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!values.contains(key))
            values.insert(key, unescaped(line.mid(equals + 1).trimmed()));
    }
    return values;
}

QString escaped(const QString& value) {
    QString result;
    result.reserve(value.size() + 8);
    for (const QChar c : value) {
        const auto it = std::find_if(escapes.begin(), escapes.end(),
                                     [c](const auto& escape) { return escape.second == c; });
        if (it != escapes.end())
            result.append(u'\\').append(QChar(it->first));
        else
            result.append(c);
    }
    return result;
}

QString unescaped(const QString& value) {
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            result.append(c);
            continue;
        }
        const QChar letter = value.at(++i);
        const auto it = std::find_if(escapes.begin(), escapes.end(), [letter](const auto& escape) {
            return escape.first == letter;
        });
        // An unknown escape stands for its letter.
        result.append(letter == u's'        ? QChar(u' ')
                      : it != escapes.end() ? QChar(it->second)
                                            : letter);
    }
    return result;
}

} // namespace quillbox::DesktopEntryFormat
