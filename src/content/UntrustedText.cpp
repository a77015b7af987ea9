#include "content/UntrustedText.h"

namespace quillbox::UntrustedText {

namespace {

bool isControl(char16_t u) {
    return u < 0x20 || (u >= 0x7f && u <= 0x9f);
}

bool isLineBreak(char16_t u) {
    return u == u'\n' || u == u'\r' || u == QChar::LineSeparator || u == QChar::ParagraphSeparator;
}

} // namespace

bool isBidiControl(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069);
}

QString block(QStringView text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (u == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            shown += QChar::LineSeparator;
        } else if (u == u'\n' || u == QChar::ParagraphSeparator) {
            shown += QChar::LineSeparator;
        } else if (u != u'\t' && isControl(u)) {
            shown += u' ';
        } else if (!isBidiControl(c)) {
            shown += c;
        }
    }
    return shown;
}

QString line(QStringView text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (isControl(u) || isLineBreak(u))
            shown += u' ';
        else if (!isBidiControl(c))
            shown += c;
    }
    return shown;
}

QString terminal(QStringView text, bool keepLineBreaks) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (isBidiControl(c)) {
            shown += QStringLiteral("\\u") + QString::number(u, 16).rightJustified(4, u'0');
            continue;
        }
        if (!isControl(u) || (keepLineBreaks && u == u'\n')) {
            shown += c;
            continue;
        }
        switch (u) {
        case u'\n':
            shown += QStringLiteral("\\n");
            break;
        case u'\t':
            shown += QStringLiteral("\\t");
            break;
        case u'\r':
            shown += QStringLiteral("\\r");
            break;
        default:
            shown += QStringLiteral("\\x") + QString::number(u, 16).rightJustified(2, u'0');
        }
    }
    return shown;
}

} // namespace quillbox::UntrustedText
