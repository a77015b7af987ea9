#include "ui/TextPreview.h"

#include "content/UntrustedText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextOption>

namespace quillbox {

namespace {

// A text that loses its middle never shows more than a few lines' worth of
// its two ends, so only this much of each end is looked at.
constexpr qsizetype middleElisionEndLength = 200;
// Eliding the last line looks at no more of the rest than fits on one line.
constexpr qsizetype lastLineSourceLimit = 400;

const QChar ellipsis(0x2026);

QString oneLine(QString text) {
    text.replace(QChar::LineSeparator, u' ');
    return text;
}

} // namespace

QStringView TextBlock::visiblePrefix(QStringView text) {
    qsizetype end = std::min(text.size(), prefixCharacterLimit);
    int lines = 0;
    for (qsizetype i = 0; i < end; ++i) {
        if (text[i] == u'\n' && ++lines == prefixLineLimit) {
            end = i;
            break;
        }
    }
    if (end > 0 && end < text.size() && text[end - 1].isHighSurrogate())
        --end;
    return text.first(end);
}

TextBlock::TextBlock(QStringView text, const QFont& font, qreal width, int maxLines,
                     qreal maxHeight, Overflow overflow, qreal extraLineSpacing)
    : m_font(font)
    , m_spacing(extraLineSpacing) {
    // Clipboard text is untrusted: nothing invisible changes how a card looks.
    QString shown = UntrustedText::block(text);
    switch (overflow) {
    case Overflow::clip:
        break;
    case Overflow::elideEnd:
        if (!fits(shown, width, maxLines, maxHeight)) {
            layOut(shown, width, maxLines, maxHeight);
            if (m_lineCount > 0) {
                const qsizetype lastStart = m_layout->lineAt(m_lineCount - 1).textStart();
                const QString rest = oneLine(shown.mid(lastStart, lastLineSourceLimit));
                const QFontMetricsF metrics(m_font);
                // The elided tail is one line, so the lines before it wrap as before.
                shown = shown.left(lastStart) +
                        metrics.elidedText(rest + ellipsis, Qt::ElideRight, width);
            }
        }
        break;
    case Overflow::elideMiddle:
        if (shown.size() > 2 * middleElisionEndLength)
            shown =
                shown.left(middleElisionEndLength) + ellipsis + shown.right(middleElisionEndLength);
        if (!fits(shown, width, maxLines, maxHeight)) {
            // The longest text of the form start "…" end that fits.
            const QString whole = shown;
            qsizetype low = 0;
            qsizetype high = whole.size() - 1;
            while (low < high) {
                const qsizetype kept = (low + high + 1) / 2;
                const QString candidate =
                    whole.left(kept - kept / 2) + ellipsis + whole.right(kept / 2);
                if (fits(candidate, width, maxLines, maxHeight))
                    low = kept;
                else
                    high = kept - 1;
            }
            shown = whole.left(low - low / 2) + ellipsis + whole.right(low / 2);
        }
        break;
    }
    layOut(shown, width, maxLines, maxHeight);
}

TextBlock::~TextBlock() = default;

qsizetype TextBlock::laidOutLength() const {
    return m_layout ? m_layout->text().size() : 0;
}

bool TextBlock::fits(const QString& text, qreal width, int maxLines, qreal maxHeight) const {
    QTextLayout layout(text, m_font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    int lines = 0;
    bool isComplete = false;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            isComplete = true;
            break;
        }
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        if ((maxLines > 0 && lines == maxLines) || (maxHeight > 0 && y + line.height() > maxHeight))
            break;
        y += line.height() + m_spacing;
        ++lines;
    }
    layout.endLayout();
    return isComplete;
}

void TextBlock::layOut(const QString& text, qreal width, int maxLines, qreal maxHeight) {
    m_layout = std::make_unique<QTextLayout>(text, m_font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_layout->setTextOption(option);
    m_layout->setCacheEnabled(true);
    m_layout->beginLayout();
    qreal y = 0;
    m_lineCount = 0;
    m_height = 0;
    while (maxLines <= 0 || m_lineCount < maxLines) {
        QTextLine line = m_layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        // Lines that do not fit whole stay out of the drawing.
        if (maxHeight > 0 && y + line.height() > maxHeight)
            break;
        line.setPosition(QPointF(0, y));
        m_height = y + line.height();
        y += line.height() + m_spacing;
        ++m_lineCount;
    }
    m_layout->endLayout();
}

void TextBlock::draw(QPainter& painter, QPointF topLeft) const {
    painter.setFont(m_font);
    for (int i = 0; i < m_lineCount; ++i)
        m_layout->lineAt(i).draw(&painter, topLeft);
}

} // namespace quillbox
