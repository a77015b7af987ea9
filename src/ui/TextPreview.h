#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>
#include <QStringView>
#include <QTextLayout>
#include <memory>

class QPainter;

namespace quillbox {

// A few lines of text wrapped to a width, laid out once and drawn as often
// as a card is painted. It lays out only what a card can show: callers pass
// a bounded start of a long text (visiblePrefix), never the whole of it.
class TextBlock {
public:
    // How much of a text a card preview ever lays out: a card shows a dozen
    // short lines, so these leave room for any card size.
    static constexpr qsizetype prefixCharacterLimit = 3000;
    static constexpr int prefixLineLimit = 80;
    // The start of `text` that can be seen on a card: at most
    // prefixCharacterLimit characters and prefixLineLimit lines, never ending
    // inside a surrogate pair. Looks at no more of the text than that.
    static QStringView visiblePrefix(QStringView text);

    enum class Overflow {
        clip,        // lines that do not fit are left out; the last shown is whole
        elideEnd,    // the last line ends in "…"
        elideMiddle, // the text loses its middle: start "…" end
    };

    // `text` wrapped at `width` into at most `maxLines` lines (0: as many as
    // fit in `maxHeight`), each line `extraLineSpacing` below the one before.
    TextBlock(QStringView text, const QFont& font, qreal width, int maxLines, qreal maxHeight,
              Overflow overflow, qreal extraLineSpacing = 0);
    ~TextBlock();
    TextBlock(const TextBlock&) = delete;
    TextBlock& operator=(const TextBlock&) = delete;

    qreal height() const { return m_height; }
    int lineCount() const { return m_lineCount; }
    // Characters laid out (the shown text, after any eliding).
    qsizetype laidOutLength() const;
    // Draws in the painter's pen with the top-left corner at `topLeft`.
    void draw(QPainter& painter, QPointF topLeft) const;

private:
    void layOut(const QString& text, qreal width, int maxLines, qreal maxHeight);
    bool fits(const QString& text, qreal width, int maxLines, qreal maxHeight) const;

    QFont m_font;
    qreal m_spacing = 0;
    std::unique_ptr<QTextLayout> m_layout;
    qreal m_height = 0;
    int m_lineCount = 0;
};

} // namespace quillbox
