#include "ui/PanelFooterView.h"

#include "content/ColorHex.h"
#include "content/RelativeDate.h"
#include "content/UntrustedText.h"
#include "ui/PanelTheme.h"

#include <QPainter>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

constexpr int horizontalPadding = 20;
constexpr int elementSpacing = 16;
constexpr int textPixelSize = 12;
constexpr int swatchSize = 11;
constexpr int swatchSpacing = 6;
// The clipboard's text is untrusted: one line, nothing that acts or
// reorders, never the full length of a huge text.
constexpr int longestDetail = 500;
// The notice never takes more of the line than this.
constexpr double noticeShare = 0.6;

QString oneLine(const QString& text) {
    return UntrustedText::line(QStringView(text).left(longestDetail));
}

// What the footer says about an item of this kind, when it knows.
std::optional<QString> detail(const ClipboardItem& item) {
    switch (item.contentCategory().value_or(ContentCategory::text)) {
    case ContentCategory::image:
        return item.imageDimensions();
    case ContentCategory::file: {
        const auto path = item.filePath();
        if (!path)
            return std::nullopt;
        const qsizetype count = item.fileURLs().size();
        return count >= 2 ? u"%1 files \u00b7 %2"_s.arg(count).arg(*path) : *path;
    }
    case ContentCategory::url:
        return item.urlString();
    case ContentCategory::color:
        return item.colorHex();
    case ContentCategory::text:
    case ContentCategory::richText:
    case ContentCategory::code:
        if (const auto count = item.characterCount())
            return u"%1 characters"_s.arg(*count);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

PanelFooterView::PanelFooterView(QWidget* parent)
    : QWidget(parent) {
    setObjectName(u"panelFooter"_s);
    setFixedHeight(footerHeight);
    QFont font = this->font();
    font.setPixelSize(textPixelSize);
    font.setBold(true);
    setFont(font);
}

void PanelFooterView::setItem(ClipboardItemPtr item) {
    m_item = std::move(item);
    updateAccessibleName();
    update();
}

void PanelFooterView::setNotice(const QString& notice) {
    m_notice = notice;
    setToolTip(notice);
    updateAccessibleName();
    update();
}

void PanelFooterView::showEvent(QShowEvent* event) {
    if (m_isNameStale)
        updateAccessibleName();
    QWidget::showEvent(event);
}

void PanelFooterView::updateAccessibleName() {
    m_isNameStale = !isVisible();
    if (m_isNameStale)
        return;
    QStringList parts = texts();
    if (!m_notice.isEmpty())
        parts.append(m_notice);
    setAccessibleName(parts.join(u", "_s));
}

QStringList PanelFooterView::texts() const {
    if (!m_item)
        return {u"Select an item to see details"_s};
    QStringList result;
    if (auto text = detail(*m_item))
        result.append(oneLine(*text));
    if (auto source = m_item->sourceAppName())
        result.append(oneLine(*source));
    result.append(relativeDescription(m_item->copiedAt()));
    return result;
}

void PanelFooterView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const QStringList parts = texts();
    const bool hasSwatch = m_item && m_item->contentCategory() == ContentCategory::color &&
                           m_item->colorHex().has_value();
    qreal x = horizontalPadding;
    qreal right = width() - horizontalPadding;
    if (!m_notice.isEmpty()) {
        const QString notice =
            metrics.elidedText(m_notice, Qt::ElideRight, int((right - x) * noticeShare));
        const int noticeWidth = metrics.horizontalAdvance(notice);
        painter.setPen(PanelTheme::marigoldText);
        painter.drawText(QRectF(right - noticeWidth, 0, noticeWidth, height()),
                         Qt::AlignRight | Qt::AlignVCenter, notice);
        right -= noticeWidth + elementSpacing;
    }
    for (qsizetype i = 0; i < parts.size() && x < right; ++i) {
        if (i == 0 && hasSwatch) {
            const QRectF swatch(x, (height() - swatchSize) / 2.0, swatchSize, swatchSize);
            painter.setPen(QPen(PanelTheme::hudSoft, 0.5));
            painter.setBrush(colorFromHex(*m_item->colorHex()));
            painter.drawEllipse(swatch);
            x += swatchSize + swatchSpacing;
        }
        // Paths and addresses lose their middle, other texts their end.
        const bool isMiddle = i == 0 && m_item &&
                              (m_item->contentCategory() == ContentCategory::file ||
                               m_item->contentCategory() == ContentCategory::url);
        const QString text = metrics.elidedText(
            parts[i], isMiddle ? Qt::ElideMiddle : Qt::ElideRight, int(right - x));
        painter.setPen(PanelTheme::hudSoft);
        painter.drawText(QRectF(x, 0, right - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += metrics.horizontalAdvance(text) + elementSpacing;
    }
}

} // namespace quillbox
