#pragma once

#include <QListView>
#include <QPointer>

class QVariantAnimation;

namespace quillbox {

// The horizontal strip of cards: one list view in left-to-right flow with
// cards of one size, so only the cards in sight are ever painted, however
// long the history. A vertical wheel scrolls it sideways, and the selected
// card is brought to the centre with a short ease-out.
class CardStripView : public QListView {
    Q_OBJECT
public:
    static constexpr int cardSpacing = 12;

    explicit CardStripView(QWidget* parent = nullptr);

    // Scrolls so that the card of `row` stands in the middle of the strip.
    void centreOnRow(int row, bool animated);

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    QVariantAnimation* m_scrollAnimation;
};

} // namespace quillbox
