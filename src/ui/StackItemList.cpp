#include "ui/StackItemList.h"

#include "content/ContentCategory.h"
#include "content/UntrustedText.h"
#include "core/PasteStackManager.h"
#include "ui/CardSymbols.h"
#include "ui/PanelTheme.h"
#include "ui/PasteStackGlyphs.h"
#include "ui/PasteStackStyle.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QVariantAnimation>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

constexpr int rowPaddingX = 8;
constexpr int rowPaddingY = 6;
constexpr int elementSpacing = 8;
constexpr int indexWidth = 18;
constexpr int symbolWidth = 16;
constexpr int symbolSide = 12;
constexpr int tickSide = 12;
constexpr qreal rowRadius = 8;
constexpr double currentFillOpacity = 0.18;
constexpr double pastedOpacity = 0.6;

bool isLineBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// The text's non-empty lines joined with single spaces, looking at no more
// of it than the label can use.
QString joinedLines(QStringView text) {
    QString label;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool isFull = label.size() + (i - start) >= StackItemList::labelCharacterLimit;
        if (i < text.size() && !isLineBreak(text[i]) && !isFull)
            continue;
        if (i > start) {
            if (!label.isEmpty())
                label += u' ';
            label += text.mid(start, i - start);
        }
        if (isFull)
            break;
        start = i + 1;
    }
    return label;
}

QString fileName(const QUrl& url) {
    const QString name = url.fileName();
    return name.isEmpty() ? url.toString() : name;
}

} // namespace

StackItemList::StackItemList(PasteStackManager& manager, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_manager(manager)
    , m_indexFont(PasteStackStyle::font(PasteStackStyle::captionSize, QFont::DemiBold))
    , m_labelFont(PasteStackStyle::font(PasteStackStyle::calloutSize))
    , m_statusFont(PasteStackStyle::font(PasteStackStyle::caption2Size, QFont::DemiBold))
    , m_scroll(new QVariantAnimation(this)) {
    setObjectName(u"pasteStackList"_s);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(u"background: transparent"_s);
    const int lineHeight =
        std::max({QFontMetrics(m_indexFont).height(), QFontMetrics(m_labelFont).height(),
                  QFontMetrics(m_statusFont).height(), symbolSide});
    m_rowHeight = rowPaddingY + lineHeight + rowPaddingY;

    m_scroll->setDuration(scrollDurationMs);
    m_scroll->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_scroll, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { verticalScrollBar()->setValue(value.toInt()); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    connect(&m_manager, &PasteStackManager::stackItemsChanged, this, &StackItemList::itemsChanged);
    connect(&m_manager, &PasteStackManager::currentIndexChanged, this, [this] {
        viewport()->update();
        scrollToCurrent(true);
    });
    itemsChanged();
}

QString StackItemList::rowLabel(const ClipboardItem& item) {
    const std::optional<ContentCategory> kind = contentCategoryFromRaw(item.category());
    if (kind == ContentCategory::file) {
        // File names are as untrusted as copied text.
        const QList<QUrl> urls = item.fileURLs();
        if (urls.size() == 1)
            return UntrustedText::line(fileName(urls.first()));
        if (urls.size() > 1)
            return UntrustedText::line(
                u"%1 +%2 more"_s.arg(fileName(urls.first())).arg(urls.size() - 1));
    } else if (kind == ContentCategory::image) {
        const auto dimensions = item.imageDimensions();
        return dimensions ? u"Image "_s + *dimensions : u"Image"_s;
    }
    const QString label = UntrustedText::line(
        joinedLines(item.title().value_or(item.plainTextPreview().value_or(QString()))));
    return label.isEmpty() ? displayNameForRaw(item.category()) : label;
}

QRect StackItemList::rowRect(int index) const {
    return QRect(listInset, listInset + index * (m_rowHeight + rowSpacing),
                 viewport()->width() - 2 * listInset, m_rowHeight);
}

void StackItemList::itemsChanged() {
    m_labels.clear();
    for (const ClipboardItemPtr& item : m_manager.stackItems())
        m_labels.append(item ? rowLabel(*item) : QString());
    updateScrollRange();
    viewport()->update();
}

void StackItemList::updateScrollRange() {
    const int rows = int(m_labels.size());
    const int content =
        rows == 0 ? 0 : 2 * listInset + rows * m_rowHeight + (rows - 1) * rowSpacing;
    verticalScrollBar()->setRange(0, std::max(0, content - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(m_rowHeight + rowSpacing);
}

void StackItemList::scrollToCurrent(bool animated) {
    const int index = m_manager.currentIndex();
    if (index >= m_labels.size())
        return;
    const int target = std::clamp(rowRect(index).center().y() - viewport()->height() / 2, 0,
                                  verticalScrollBar()->maximum());
    m_scroll->stop();
    if (!animated || !isVisible()) {
        verticalScrollBar()->setValue(target);
        return;
    }
    m_scroll->setStartValue(verticalScrollBar()->value());
    m_scroll->setEndValue(target);
    m_scroll->start();
}

void StackItemList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
    scrollToCurrent(false);
}

void StackItemList::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    const int offset = verticalScrollBar()->value();
    const QRect exposed = event->rect().translated(0, offset);
    // Only the rows in view are painted, however long the stack.
    const int stride = m_rowHeight + rowSpacing;
    const int first = std::max(0, (exposed.top() - listInset) / stride);
    const int last = std::min(int(m_labels.size()) - 1, (exposed.bottom() - listInset) / stride);
    for (int index = first; index <= last; ++index)
        paintRow(painter, index, rowRect(index).translated(0, -offset));
}

void StackItemList::paintRow(QPainter& painter, int index, const QRect& rect) const {
    const int current = m_manager.currentIndex();
    const ClipboardItemPtr& item = m_manager.stackItems().at(index);
    painter.save();
    if (index < current)
        painter.setOpacity(pastedOpacity);
    if (index == current) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(PanelTheme::withAlpha(PasteStackStyle::accent(), currentFillOpacity));
        painter.drawRoundedRect(QRectF(rect), rowRadius, rowRadius);
    }
    const QRect line = rect.adjusted(rowPaddingX, rowPaddingY, -rowPaddingX, -rowPaddingY);
    int x = line.left();

    painter.setFont(m_indexFont);
    painter.setPen(PanelTheme::hudText);
    painter.drawText(QRect(x, line.top(), indexWidth, line.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::number(index + 1));
    x += indexWidth + elementSpacing;

    const QRectF symbol(x + (symbolWidth - symbolSide) / 2.0,
                        line.center().y() - symbolSide / 2.0 + 0.5, symbolSide, symbolSide);
    PasteStackStyle::drawKindSymbol(painter, item ? item->category() : QString(), symbol,
                                    PanelTheme::hudSoft);
    x += symbolWidth + elementSpacing;

    // The mark at the right end: "Next", a tick, or nothing.
    int markWidth = 0;
    const QString next = u"Next"_s;
    if (index == current)
        markWidth = QFontMetrics(m_statusFont).horizontalAdvance(next);
    else if (index < current)
        markWidth = tickSide;
    if (index == current) {
        painter.setFont(m_statusFont);
        painter.setPen(PasteStackStyle::accent());
        painter.drawText(QRect(line.right() + 1 - markWidth, line.top(), markWidth, line.height()),
                         Qt::AlignRight | Qt::AlignVCenter, next);
    } else if (index < current) {
        drawStackGlyph(painter, StackGlyph::checkmarkCircle,
                       QRectF(line.right() + 1 - tickSide, line.center().y() - tickSide / 2.0 + 0.5,
                              tickSide, tickSide),
                       PasteStackStyle::pastedGreen(), PanelTheme::hud);
    }

    const int labelRight = line.right() + 1 - (markWidth > 0 ? markWidth + elementSpacing : 0);
    painter.setFont(m_labelFont);
    painter.setPen(PanelTheme::hudText);
    const QFontMetrics metrics(m_labelFont);
    const int labelWidth = std::max(0, labelRight - x);
    painter.drawText(QRect(x, line.top(), labelWidth, line.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     metrics.elidedText(m_labels.at(index), Qt::ElideRight, labelWidth));
    painter.restore();
}

} // namespace quillbox
