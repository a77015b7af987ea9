#pragma once

#include "content/ParsedClipboardContent.h"
#include "history/HistoryStore.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>

namespace quillbox::testing {

// Clipboard content of each kind, as capture hands it to the store.
ParsedClipboardContent imageContent(const QByteArray& bytes,
                                    std::optional<QString> dimensions = std::nullopt);
ParsedClipboardContent urlContent(const QString& url, std::optional<QString> title = std::nullopt);
ParsedClipboardContent fileContent(const QStringList& paths);
ParsedClipboardContent colorContent(const QString& hex);

// A PNG of one colour.
QByteArray solidPng(QColor color, QSize size = QSize(64, 48));

// Colours within a small distance of each other (antialiasing, blending).
bool isNear(QColor actual, QColor expected, int tolerance = 24);

} // namespace quillbox::testing
