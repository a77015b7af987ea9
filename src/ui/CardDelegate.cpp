#include "ui/CardDelegate.h"

#include "capture/SourceAppResolver.h"
#include "content/ColorHex.h"
#include "content/RelativeDate.h"
#include "content/UntrustedText.h"
#include "core/PanelListModel.h"
#include "ui/CardSymbols.h"
#include "ui/FileIcons.h"
#include "ui/PanelTheme.h"
#include "ui/PreviewImageCache.h"
#include "ui/TextPreview.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

namespace quillbox {

namespace {

// The card's design values, in device-independent pixels.
constexpr qreal cornerRadius = 14;
constexpr qreal selectionRingWidth = 2.5;
constexpr qreal restingScale = 0.97;
constexpr qreal sidePadding = 11;
constexpr qreal headerTopPadding = 10;
constexpr qreal headerBottomPadding = 8;
constexpr qreal headerSpacing = 6;
constexpr qreal headerMinimumGap = 4;
constexpr qreal accentSide = 12;
constexpr qreal accentRadius = 3.5;
constexpr qreal pinSide = 11;
constexpr qreal ruleInset = 6;
constexpr qreal previewVerticalPadding = 10;
constexpr qreal footerTopPadding = 8;
constexpr qreal footerBottomPadding = 10;
constexpr qreal footerGap = 6;
constexpr qreal textLineSpacing = 2;
constexpr qreal urlSpacing = 2;
constexpr int urlMaxLines = 3;
constexpr qreal fileSpacing = 8;
constexpr qreal fileIconSide = 44;
// A short card shrinks the file icon down to this before it leaves it out.
constexpr qreal smallestFileIconSide = 24;
constexpr int fileNameMaxLines = 2;
constexpr qreal imageRadius = 8;
constexpr qreal placeholderSymbolSide = 22;
constexpr qreal swatchRadius = 10;
constexpr qreal swatchSpacing = 8;
// A displayed address keeps this much of each end of a very long one; its
// middle is elided anyway.
constexpr qsizetype urlEndLength = 200;

struct ShadowStyle {
    double opacity;
    int boxRadius; // of each of three box blurs: together close to the design blur
    qreal offsetY;
};
// Selected: opacity 0.3, blur 10, 8 down; otherwise opacity 0.18, blur 5, 4 down.
constexpr ShadowStyle selectedShadow{0.3, 5, 8};
constexpr ShadowStyle restingShadow{0.18, 2, 4};

const QColor& secondaryText() {
    static const QColor color = PanelTheme::withAlpha(PanelTheme::cardText, 0.5);
    return color;
}

// The design sizes are in pixels at 96 dots per inch.
QFont sizedFont(const QFont& base, qreal pixels, QFont::Weight weight) {
    QFont result = base;
    result.setPointSizeF(pixels * 72.0 / 96.0);
    result.setWeight(weight);
    return result;
}

// Three box blurs of the alpha channel approach a Gaussian blur; the colour
// channels of a black shadow stay 0.
void blurAlpha(QImage& image, int radius) {
    if (radius < 1)
        return;
    const int width = image.width();
    const int height = image.height();
    std::vector<int> line(size_t(std::max(width, height)));
    const auto pass = [&](bool isHorizontal) {
        const int length = isHorizontal ? width : height;
        const int count = isHorizontal ? height : width;
        for (int n = 0; n < count; ++n) {
            const auto pixel = [&](int i) -> QRgb& {
                return reinterpret_cast<QRgb*>(
                    image.scanLine(isHorizontal ? n : i))[isHorizontal ? i : n];
            };
            for (int i = 0; i < length; ++i)
                line[size_t(i)] = qAlpha(pixel(i));
            int sum = 0;
            for (int i = 0; i <= std::min(radius, length - 1); ++i)
                sum += line[size_t(i)];
            for (int i = 0; i < length; ++i) {
                pixel(i) = qRgba(0, 0, 0, sum / (2 * radius + 1));
                if (i + radius + 1 < length)
                    sum += line[size_t(i + radius + 1)];
                if (i - radius >= 0)
                    sum -= line[size_t(i - radius)];
            }
        }
    };
    for (int round = 0; round < 3; ++round) {
        pass(true);
        pass(false);
    }
}

QString lastPathComponent(const QUrl& url) {
    QString path = url.isLocalFile() ? url.toLocalFile() : url.path();
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString name = (slash >= 0 && path.size() > 1) ? path.mid(slash + 1) : path;
    return name.isEmpty() ? url.toString() : name;
}

QStringView strippedURL(QStringView text) {
    if (text.startsWith(u"https://"))
        text = text.mid(8);
    if (text.startsWith(u"http://"))
        text = text.mid(7);
    if (text.startsWith(u"www."))
        text = text.mid(4);
    if (text.endsWith(u'/'))
        text.chop(1);
    return text;
}

QString urlSource(const ClipboardItem& item) {
    if (auto url = item.urlString())
        return *url;
    if (auto text = item.plainTextPreview())
        return *text;
    return QStringLiteral("URL");
}

} // namespace

struct CardDelegate::Fonts {
    QFont name;
    QFont footer;
    QFont text;
    QFont code;
    QFont strong;
    QFont count;
    QFont hex;
    qreal nameHeight = 0;
    qreal footerHeight = 0;
};

struct CardDelegate::PreviewLayout {
    std::unique_ptr<TextBlock> first;  // the text, the title, the file name or the hex code
    std::unique_ptr<TextBlock> second; // the address or the other files' count
    std::optional<ContentCategory> kind;
    QColor color;
    QString filePath;
    bool hasFile = false;
    bool isPlaceholder = false;    // the kind's name stands for text there is none of
    qreal iconSide = fileIconSide; // 0: no room for the icon
    qsizetype textLength = 0;
};

CardDelegate::CardDelegate(PreviewImageCache& images, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_images(images)
    , m_fonts(std::make_unique<Fonts>())
    , m_previews(previewLayoutCacheSize)
    , m_fileIcons(new FileIcons(this)) {
    // No rounded design on this desktop: the default sans serif it is.
    QFont sans = QApplication::font();
    sans.setStyleHint(QFont::SansSerif);
    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_fonts->name = sizedFont(sans, 12, QFont::Bold);
    m_fonts->footer = sizedFont(sans, 11.5, QFont::Bold);
    m_fonts->text = sizedFont(sans, 14, QFont::Normal);
    m_fonts->code = sizedFont(mono, 12.5, QFont::Medium);
    m_fonts->strong = sizedFont(sans, 14, QFont::Bold);
    m_fonts->count = sizedFont(sans, 12, QFont::DemiBold);
    m_fonts->hex = sizedFont(mono, 14, QFont::Bold);
    m_fonts->nameHeight = QFontMetricsF(m_fonts->name).height();
    m_fonts->footerHeight = QFontMetricsF(m_fonts->footer).height();
}

CardDelegate::~CardDelegate() = default;

void CardDelegate::setCardHeight(int height) {
    if (height == m_cardHeight)
        return;
    m_cardHeight = std::max(1, height);
    // Text previews are laid out for the height they had.
    m_previews.clear();
    Q_EMIT sizeHintChanged(QModelIndex());
}

QSize CardDelegate::cellSize(int cardHeight) {
    return QSize(cardWidth + cellMargins.left() + cellMargins.right(),
                 cardHeight + cellMargins.top() + cellMargins.bottom());
}

int CardDelegate::cardHeightForCell(int cellHeight) {
    return std::max(1, cellHeight - cellMargins.top() - cellMargins.bottom());
}

QSize CardDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return cellSize(m_cardHeight);
}

void CardDelegate::clearPreviewLayouts() {
    m_previews.clear();
}

qreal CardDelegate::headerHeight() const {
    return headerTopPadding + std::max({accentSide, pinSide, m_fonts->nameHeight}) +
           headerBottomPadding;
}

qreal CardDelegate::footerHeight() const {
    return footerTopPadding + m_fonts->footerHeight + footerBottomPadding;
}

QString CardDelegate::typeLabel(const ClipboardItem& item) {
    if (item.contentCategory() == ContentCategory::image) {
        if (auto dimensions = item.imageDimensions())
            return dimensions->replace(u'x', QChar(0x00D7));
    }
    return displayNameForRaw(item.category());
}

QString CardDelegate::displayURL(const ClipboardItem& item) {
    return strippedURL(urlSource(item)).toString();
}

void CardDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const auto item = index.data(PanelListModel::ItemRole).value<ClipboardItemPtr>();
    if (!item)
        return;
    if (const auto* card = qstyleoption_cast<const CardStyleOption*>(&option)) {
        paintCard(*painter, option.rect, item, card->pose);
        return;
    }
    paintCard(*painter, option.rect, item, option.state.testFlag(QStyle::State_Selected),
              option.state.testFlag(QStyle::State_MouseOver));
}

void CardDelegate::paintCard(QPainter& painter, const QRect& cellRect, const ClipboardItemPtr& item,
                             bool isSelected, bool isHovered) const {
    paintCard(painter, cellRect, item, CardPose::settled(isSelected, isHovered));
}

void CardDelegate::paintCard(QPainter& painter, const QRect& cellRect, const ClipboardItemPtr& item,
                             CardPose pose) const {
    if (!item)
        return;
    painter.save();
    painter.setClipRect(cellRect, Qt::IntersectClip);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    const QRectF card = cellRect.marginsRemoved(cellMargins);
    const qreal lift = std::clamp(pose.lift, 0.0, 1.0);
    const qreal emphasis = std::clamp(pose.emphasis, 0.0, 1.0);
    if (lift < 1) {
        const qreal scale = restingScale + (1 - restingScale) * lift;
        painter.translate(card.center());
        painter.scale(scale, scale);
        painter.translate(-card.center());
    }
    // Halfway through a change of selection the two shadows blend.
    if (emphasis < 1)
        paintShadow(painter, card, false, 1 - emphasis);
    if (emphasis > 0)
        paintShadow(painter, card, true, emphasis);

    QPainterPath face;
    face.addRoundedRect(card, cornerRadius, cornerRadius);
    painter.fillPath(face, PanelTheme::card);

    painter.save();
    // The content stays inside the card; nothing of it reaches the corners.
    painter.setClipRect(card, Qt::IntersectClip);
    paintHeader(painter, card, *item);
    const qreal top = card.top() + headerHeight();
    const qreal bottom = card.bottom() - footerHeight();
    painter.fillRect(QRectF(card.left() + ruleInset, top, card.width() - 2 * ruleInset, 1),
                     PanelTheme::cardRule);
    painter.fillRect(QRectF(card.left() + ruleInset, bottom - 1, card.width() - 2 * ruleInset, 1),
                     PanelTheme::cardRule);
    const QRectF preview(card.left() + sidePadding, top + 1 + previewVerticalPadding,
                         card.width() - 2 * sidePadding,
                         bottom - 1 - previewVerticalPadding - (top + 1 + previewVerticalPadding));
    if (preview.height() > 0)
        paintPreview(painter, preview, item);
    paintFooter(painter, card, *item);
    painter.restore();

    if (emphasis > 0) {
        const qreal inset = selectionRingWidth / 2;
        painter.setPen(
            QPen(PanelTheme::withAlpha(PanelTheme::marigold, emphasis), selectionRingWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(card.adjusted(inset, inset, -inset, -inset), cornerRadius - inset,
                                cornerRadius - inset);
    }
    painter.restore();
}

void CardDelegate::paintShadow(QPainter& painter, const QRectF& card, bool isSelected,
                               qreal opacity) const {
    const ShadowStyle& style = isSelected ? selectedShadow : restingShadow;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const int spread = 3 * style.boxRadius + 1;
    const QString key = QStringLiteral("%1x%2:%3:%4")
                            .arg(card.width())
                            .arg(card.height())
                            .arg(isSelected)
                            .arg(ratio);
    auto it = m_shadows.constFind(key);
    if (it == m_shadows.cend()) {
        const QSizeF size(card.width() + 2 * spread, card.height() + 2 * spread);
        QImage shadow((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        shadow.fill(Qt::transparent);
        {
            QPainter shape(&shadow);
            shape.setRenderHint(QPainter::Antialiasing);
            shape.scale(ratio, ratio);
            shape.setPen(Qt::NoPen);
            shape.setBrush(QColor(0, 0, 0, int(std::lround(style.opacity * 255))));
            shape.drawRoundedRect(QRectF(spread, spread, card.width(), card.height()), cornerRadius,
                                  cornerRadius);
        }
        blurAlpha(shadow, int(std::lround(style.boxRadius * ratio)));
        shadow.setDevicePixelRatio(ratio);
        it = m_shadows.insert(key, shadow);
    }
    const qreal previous = painter.opacity();
    painter.setOpacity(previous * opacity);
    painter.drawImage(card.topLeft() + QPointF(-spread, style.offsetY - spread), *it);
    painter.setOpacity(previous);
}

void CardDelegate::paintHeader(QPainter& painter, const QRectF& card,
                               const ClipboardItem& item) const {
    const qreal rowHeight = std::max({accentSide, pinSide, m_fonts->nameHeight});
    const qreal rowTop = card.top() + headerTopPadding;
    const qreal centreY = rowTop + rowHeight / 2;
    qreal x = card.left() + sidePadding;
    const qreal right = card.right() - sidePadding;

    painter.setPen(Qt::NoPen);
    painter.setBrush(colorFromHex(SourceAppResolver::colorHex(item.sourceAppBundleID())));
    painter.drawRoundedRect(QRectF(x, centreY - accentSide / 2, accentSide, accentSide),
                            accentRadius, accentRadius);
    x += accentSide + headerSpacing;

    qreal nameRight = right - headerMinimumGap - headerSpacing;
    if (item.isPinned()) {
        nameRight -= headerSpacing + pinSide;
        CardSymbols::draw(painter, CardSymbols::Symbol::pin,
                          QRectF(right - pinSide, centreY - pinSide / 2, pinSide, pinSide),
                          PanelTheme::marigold);
    }
    const QString name = item.sourceAppName().value_or(QStringLiteral("Unknown"));
    const QFontMetricsF metrics(m_fonts->name);
    // An imported item's source name is as untrusted as copied text.
    const QString shown =
        metrics.elidedText(UntrustedText::line(TextBlock::visiblePrefix(name)).simplified(),
                           Qt::ElideRight, std::max<qreal>(0, nameRight - x));
    painter.setFont(m_fonts->name);
    painter.setPen(PanelTheme::withAlpha(PanelTheme::cardText, 0.65));
    painter.drawText(QPointF(x, centreY - metrics.height() / 2 + metrics.ascent()), shown);
}

void CardDelegate::paintFooter(QPainter& painter, const QRectF& card,
                               const ClipboardItem& item) const {
    const QFontMetricsF metrics(m_fonts->footer);
    const qreal baseline =
        card.bottom() - footerBottomPadding - m_fonts->footerHeight + metrics.ascent();
    const qreal left = card.left() + sidePadding;
    const qreal width = card.width() - 2 * sidePadding;
    const QString label = metrics.elidedText(typeLabel(item), Qt::ElideRight, width / 2);
    const qreal labelWidth = metrics.horizontalAdvance(label);
    const QString age = metrics.elidedText(relativeDescription(item.copiedAt()), Qt::ElideRight,
                                           std::max<qreal>(0, width - labelWidth - footerGap));
    painter.setFont(m_fonts->footer);
    painter.setPen(PanelTheme::withAlpha(PanelTheme::cardText, 0.5));
    painter.drawText(QPointF(left, baseline), age);
    painter.drawText(QPointF(left + width - labelWidth, baseline), label);
}

const CardDelegate::PreviewLayout& CardDelegate::previewLayout(const ClipboardItemPtr& item,
                                                               const QSizeF& size) const {
    const QString key = item->id().toString(QUuid::WithoutBraces) +
                        QStringLiteral(":%1x%2").arg(size.width()).arg(size.height());
    if (PreviewLayout* cached = m_previews.object(key))
        return *cached;
    PreviewLayout* built = buildPreview(*item, size).release();
    m_previews.insert(key, built);
    return *built;
}

std::unique_ptr<CardDelegate::PreviewLayout> CardDelegate::buildPreview(const ClipboardItem& item,
                                                                        const QSizeF& size) const {
    auto layout = std::make_unique<PreviewLayout>();
    layout->kind = item.contentCategory();
    const qreal width = size.width();
    using Overflow = TextBlock::Overflow;
    switch (layout->kind.value_or(ContentCategory::text)) {
    case ContentCategory::text:
    case ContentCategory::richText:
    case ContentCategory::code: {
        // Only the start of a long text is ever looked at, let alone laid out.
        QString text = item.plainTextPreview().value_or(QString());
        // Rich text without words of its own (an image, say) still shows
        // what it is rather than an empty card.
        if (layout->kind == ContentCategory::richText &&
            std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); })) {
            text = displayName(ContentCategory::richText);
            layout->isPlaceholder = true;
        }
        const QFont& font = layout->kind == ContentCategory::code ? m_fonts->code : m_fonts->text;
        layout->first = std::make_unique<TextBlock>(TextBlock::visiblePrefix(text), font, width, 0,
                                                    size.height(), Overflow::clip, textLineSpacing);
        layout->textLength = layout->first->laidOutLength();
        break;
    }
    case ContentCategory::image:
        break;
    case ContentCategory::url: {
        if (const auto title = item.title(); title && !title->isEmpty())
            layout->first =
                std::make_unique<TextBlock>(TextBlock::visiblePrefix(*title), m_fonts->strong,
                                            width, urlMaxLines, 0, Overflow::elideEnd);
        const QString source = urlSource(item);
        const QStringView address = strippedURL(source);
        const QString shown = address.size() > 2 * urlEndLength
                                  ? address.first(urlEndLength).toString() + QChar(0x2026) +
                                        address.last(urlEndLength).toString()
                                  : address.toString();
        layout->second = std::make_unique<TextBlock>(shown, m_fonts->strong, width, urlMaxLines, 0,
                                                     Overflow::elideMiddle);
        break;
    }
    case ContentCategory::file: {
        const QList<QUrl> urls = item.fileURLs();
        QString name;
        if (!urls.isEmpty()) {
            layout->hasFile = true;
            layout->filePath =
                urls.first().isLocalFile() ? urls.first().toLocalFile() : urls.first().path();
            name = lastPathComponent(urls.first());
        } else if (auto title = item.title()) {
            name = *title;
        } else if (auto text = item.plainTextPreview()) {
            name = TextBlock::visiblePrefix(*text).toString();
        } else {
            name = QStringLiteral("File");
        }
        if (urls.size() >= 2)
            layout->second =
                std::make_unique<TextBlock>(QStringLiteral("+%1 more").arg(urls.size() - 1),
                                            m_fonts->count, width, 1, 0, Overflow::elideEnd);
        // Everything stays above the footer's rule: on a short card the name
        // keeps one line, then the icon shrinks, then it goes.
        const qreal countHeight = layout->second ? fileSpacing + layout->second->height() : 0;
        const auto fitIcon = [&](qreal nameHeight) {
            const qreal room = size.height() - nameHeight - countHeight - fileSpacing;
            return room >= fileIconSide           ? fileIconSide
                   : room >= smallestFileIconSide ? std::floor(room)
                                                  : 0.0;
        };
        layout->first = std::make_unique<TextBlock>(name, m_fonts->strong, width, fileNameMaxLines,
                                                    0, Overflow::elideMiddle);
        if (layout->first->lineCount() > 1 && fitIcon(layout->first->height()) < fileIconSide)
            layout->first = std::make_unique<TextBlock>(name, m_fonts->strong, width, 1, 0,
                                                        Overflow::elideMiddle);
        layout->iconSide = fitIcon(layout->first->height());
        break;
    }
    case ContentCategory::color: {
        const QString hex = item.colorHex().value_or(QString());
        layout->color = colorFromHex(item.colorHex().value_or(QStringLiteral("#000000")));
        layout->first = std::make_unique<TextBlock>(TextBlock::visiblePrefix(hex), m_fonts->hex,
                                                    width, 1, 0, Overflow::elideEnd);
        break;
    }
    }
    return layout;
}

qsizetype CardDelegate::laidOutTextLength(const QUuid& id) const {
    const QString prefix = id.toString(QUuid::WithoutBraces) + u':';
    for (const QString& key : m_previews.keys()) {
        if (key.startsWith(prefix))
            return m_previews.object(key)->textLength;
    }
    return 0;
}

void CardDelegate::paintFileIcon(QPainter& painter, const QRectF& rect,
                                 const PreviewLayout& layout) const {
    if (layout.hasFile && m_fileIcons->paint(painter, rect, layout.filePath))
        return;
    CardSymbols::draw(painter, CardSymbols::Symbol::document, rect, secondaryText());
}

void CardDelegate::paintPreview(QPainter& painter, const QRectF& area,
                                const ClipboardItemPtr& item) const {
    if (item->contentCategory() == ContentCategory::image) {
        paintImage(painter, area, item);
        return;
    }
    const PreviewLayout& layout = previewLayout(item, area.size());
    painter.save();
    painter.setClipRect(area.adjusted(0, 0, 0, previewVerticalPadding), Qt::IntersectClip);
    qreal y = area.top();
    switch (layout.kind.value_or(ContentCategory::text)) {
    case ContentCategory::text:
    case ContentCategory::richText:
    case ContentCategory::code:
    case ContentCategory::image:
        painter.setPen(layout.isPlaceholder ? secondaryText() : PanelTheme::cardText);
        layout.first->draw(painter, area.topLeft());
        break;
    case ContentCategory::url:
        if (layout.first) {
            painter.setPen(PanelTheme::cardText);
            layout.first->draw(painter, QPointF(area.left(), y));
            y += layout.first->height() + urlSpacing;
        }
        painter.setPen(PanelTheme::linkBlue);
        layout.second->draw(painter, QPointF(area.left(), y));
        break;
    case ContentCategory::file: {
        // Nothing of a file card reaches into the padding above the rule.
        painter.setClipRect(area, Qt::IntersectClip);
        if (layout.iconSide > 0) {
            paintFileIcon(painter, QRectF(area.left(), y, layout.iconSide, layout.iconSide),
                          layout);
            y += layout.iconSide + fileSpacing;
        }
        painter.setPen(PanelTheme::cardText);
        layout.first->draw(painter, QPointF(area.left(), y));
        y += layout.first->height() + fileSpacing;
        if (layout.second) {
            painter.setPen(secondaryText());
            layout.second->draw(painter, QPointF(area.left(), y));
        }
        break;
    }
    case ContentCategory::color: {
        const qreal textHeight = layout.first->height();
        const QRectF swatch(area.left(), area.top(), area.width(),
                            std::max<qreal>(0, area.height() - swatchSpacing - textHeight));
        painter.setPen(QPen(QColor(0, 0, 0, int(std::lround(0.08 * 255))), 1));
        painter.setBrush(layout.color);
        painter.drawRoundedRect(swatch.adjusted(0.5, 0.5, -0.5, -0.5), swatchRadius, swatchRadius);
        painter.setPen(PanelTheme::cardText);
        layout.first->draw(painter, QPointF(area.left(), swatch.bottom() + swatchSpacing));
        break;
    }
    }
    painter.restore();
}

void CardDelegate::paintImage(QPainter& painter, const QRectF& area,
                              const ClipboardItemPtr& item) const {
    QPainterPath shape;
    shape.addRoundedRect(area, imageRadius, imageRadius);
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels(int(std::lround(area.width() * ratio)),
                       int(std::lround(area.height() * ratio)));
    const std::optional<QImage> image = m_images.image(item, pixels);
    if (image && !image->isNull()) {
        // A brush keeps the rounded edge smooth; an image decoded for another
        // size is stretched to this one until the right one arrives.
        QBrush brush(*image);
        QTransform transform;
        transform.translate(area.left(), area.top());
        transform.scale(area.width() / image->width(), area.height() / image->height());
        brush.setTransform(transform);
        painter.fillPath(shape, brush);
        return;
    }
    painter.fillPath(shape, QColor(0, 0, 0, int(std::lround(0.06 * 255))));
    const QRectF symbol(area.center() - QPointF(placeholderSymbolSide, placeholderSymbolSide) / 2,
                        QSizeF(placeholderSymbolSide, placeholderSymbolSide));
    CardSymbols::draw(painter, CardSymbols::Symbol::photo, symbol, secondaryText());
}

} // namespace quillbox
