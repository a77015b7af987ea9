#pragma once

#include <QScrollArea>

namespace quillbox {

// A row of chips too long for its place: it scrolls sideways with the wheel,
// its ends fade out where more chips lie beyond them (so no chip just stops
// at a hard cut), and a chip that is clicked or takes the focus comes fully
// into view.
class ChipsScrollArea : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int fadeWidth = 28;

    explicit ChipsScrollArea(QWidget* parent = nullptr);

    // The row of chips; it keeps its own width and the area's height.
    void setRow(QWidget* row);
    // Whether the start or the end of the row is hidden (and faded).
    bool isStartHidden() const;
    bool isEndHidden() const;

protected:
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class EdgeFade;

    void updateFades();

    EdgeFade* m_startFade;
    EdgeFade* m_endFade;
};

} // namespace quillbox
