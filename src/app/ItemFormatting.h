#pragma once

#include "history/AppRule.h"
#include "history/ClipboardItem.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace quillbox {

// How the command line shows history items and rules: aligned text rows for
// people, JSON for scripts.
namespace ItemFormatting {

// Text made safe for a terminal (UntrustedText::terminal). Copied text is
// untrusted: an escape sequence could retitle or clear the terminal, an
// override reorder a file name.
QString escapeControls(const QString& text, bool keepLineBreaks = false);

// One line saying what the item is: its title, else its text (whitespace
// folded), else its dimensions, path or colour code; cut at maxLength.
QString preview(const ClipboardItem& item, int maxLength = 60);

// Newest first, as given; `now` is when the relative times are measured from.
// `emptyText` is what an empty list says.
QString itemTable(const QList<ClipboardItemPtr>& items, const QDateTime& now,
                  const QString& emptyText = QStringLiteral("The history is empty.\n"));
QJsonObject itemJson(const ClipboardItem& item, const QDateTime& now);

// `quillbox show`: every field, then the whole text (or the payload's type
// and size), escaped; and the same as JSON with the text unescaped.
QString itemDetails(const ClipboardItem& item, const QDateTime& now);
QJsonObject itemDetailsJson(const ClipboardItem& item, const QDateTime& now);

QString ruleTable(const QList<AppRulePtr>& rules);
QJsonObject ruleJson(const AppRule& rule);

// UTC with milliseconds and a "Z", as export and --json write times.
QString isoTime(const QDateTime& time);

} // namespace ItemFormatting
} // namespace quillbox
