#pragma once

#include "history/ClipboardItem.h"
#include "ui/CardPose.h"

#include <QCache>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QMargins>
#include <QStyledItemDelegate>
#include <memory>

namespace quillbox {

class FileIcons;
class PreviewImageCache;
class TextBlock;

// Paints the history cards of the panel's strip, one per row of the list
// model (PanelListModel::ItemRole), with QPainter only: no widget per card,
// so a strip over a long history costs only what is on screen. Selection
// comes as QStyle::State_Selected, the pointer as State_MouseOver; a view
// that eases cards between the two passes a CardStyleOption with the pose of
// the moment.
//
// A row's cell is the card plus a margin around it that holds the card's
// shadow (cellMargins): the view shows cells without spacing of its own, so
// the cards stand cardSpacing apart, and repainting a cell also repaints
// its shadow.
class CardDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int cardWidth = 200;
    static constexpr int defaultCardHeight = 240;
    static constexpr int cardSpacing = 12;
    // Left and right add up to cardSpacing; the bottom holds the larger,
    // lower shadow of a selected card.
    static constexpr QMargins cellMargins{cardSpacing / 2, 4, cardSpacing / 2, 16};
    // Laid-out previews kept for cards painted again (scrolling back and
    // forth, hover and selection changes).
    static constexpr int previewLayoutCacheSize = 256;

    explicit CardDelegate(PreviewImageCache& images, QObject* parent = nullptr);
    ~CardDelegate() override;

    // The height of the card itself; the cell adds cellMargins.
    void setCardHeight(int height);
    int cardHeight() const { return m_cardHeight; }
    // The cell for a card height, and the card height that fills a cell.
    static QSize cellSize(int cardHeight);
    static int cardHeightForCell(int cellHeight);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // Paints the card of `item` into the cell `cellRect`.
    void paintCard(QPainter& painter, const QRect& cellRect, const ClipboardItemPtr& item,
                   bool isSelected, bool isHovered) const;
    void paintCard(QPainter& painter, const QRect& cellRect, const ClipboardItemPtr& item,
                   CardPose pose) const;

    // The label at the footer's right: the kind of content, or an image's
    // pixel size with "×".
    static QString typeLabel(const ClipboardItem& item);
    // A URL item's address as cards show it: without "https://" or "http://",
    // a leading "www." and one trailing "/".
    static QString displayURL(const ClipboardItem& item);

    // Characters of the item's text laid out for its current preview; 0 when
    // none is. Shows that a huge text costs only what a card can show.
    qsizetype laidOutTextLength(const QUuid& id) const;
    // Forgets the laid-out previews (after a font or size change).
    void clearPreviewLayouts();

    // The file cards' thumbnails and icons; its thumbnailReady asks for a
    // repaint of the cards showing the file.
    FileIcons& fileIcons() const { return *m_fileIcons; }

private:
    struct Fonts;
    struct PreviewLayout;

    const PreviewLayout& previewLayout(const ClipboardItemPtr& item, const QSizeF& size) const;
    std::unique_ptr<PreviewLayout> buildPreview(const ClipboardItem& item,
                                                const QSizeF& size) const;
    void paintHeader(QPainter& painter, const QRectF& card, const ClipboardItem& item) const;
    void paintFooter(QPainter& painter, const QRectF& card, const ClipboardItem& item) const;
    void paintPreview(QPainter& painter, const QRectF& area, const ClipboardItemPtr& item) const;
    void paintImage(QPainter& painter, const QRectF& area, const ClipboardItemPtr& item) const;
    void paintShadow(QPainter& painter, const QRectF& card, bool isSelected, qreal opacity) const;
    qreal headerHeight() const;
    qreal footerHeight() const;
    void paintFileIcon(QPainter& painter, const QRectF& rect, const PreviewLayout& layout) const;

    PreviewImageCache& m_images;
    std::unique_ptr<Fonts> m_fonts;
    int m_cardHeight = defaultCardHeight;
    mutable QCache<QString, PreviewLayout> m_previews;
    // Blurred card shadows, one per card size, selection and pixel ratio.
    mutable QHash<QString, QImage> m_shadows;
    FileIcons* m_fileIcons;
};

} // namespace quillbox
