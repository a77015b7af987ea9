#include "ui/PasteStackView.h"

#include "core/AccessibilityManager.h"
#include "core/PasteStackManager.h"
#include "ui/CapsuleButton.h"
#include "ui/PanelGlyphs.h"
#include "ui/PanelTheme.h"
#include "ui/PasteStackGlyphs.h"
#include "ui/PasteStackStyle.h"
#include "ui/StackItemList.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <functional>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

constexpr int headerPaddingX = 14;
constexpr int headerPaddingY = 10;
constexpr int headerSpacing = 6;
constexpr int titleSymbolSize = 14;
constexpr int stopButtonSize = 18;
constexpr int bannerInsetX = 12;
constexpr int bannerInsetBottom = 8;
constexpr int bannerPadding = 8;
constexpr int bannerSymbolSize = 13;
constexpr qreal bannerRadius = 10;
constexpr double bannerFillOpacity = 0.12;
constexpr int footerPaddingX = 14;
constexpr int footerPaddingY = 7;
constexpr int emptySymbolSize = 26;
constexpr int emptySpacing = 6;

const QString stopHelp = u"Stop paste stack"_s;

// A symbol of a fixed size, drawn by `draw` into the widget's square.
class SymbolView : public QWidget {
public:
    SymbolView(int side, std::function<void(QPainter&, const QRectF&)> draw,
               QWidget* parent = nullptr)
        : QWidget(parent)
        , m_draw(std::move(draw)) {
        setFixedSize(side, side);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_draw(painter, QRectF(rect()));
    }

private:
    std::function<void(QPainter&, const QRectF&)> m_draw;
};

// The circled cross that ends the run: no disc around it, brighter while
// the pointer is over it. Never takes the keyboard.
class StopButton : public QAbstractButton {
public:
    explicit StopButton(QWidget* parent)
        : QAbstractButton(parent) {
        setObjectName(u"pasteStackStopButton"_s);
        setToolTip(stopHelp);
        setAccessibleName(stopHelp);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(stopButtonSize, stopButtonSize);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawPanelGlyph(painter, PanelGlyph::xmarkCircle, QRectF(rect()),
                       underMouse() ? PanelTheme::hudText : PanelTheme::hudSoft, PanelTheme::hud);
    }
    void enterEvent(QEnterEvent* event) override {
        update();
        QAbstractButton::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        update();
        QAbstractButton::leaveEvent(event);
    }
};

// The banner's rounded, faintly orange ground.
class BannerGround : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(
            PanelTheme::withAlpha(PasteStackStyle::warningOrange(), bannerFillOpacity));
        painter.drawRoundedRect(QRectF(rect()), bannerRadius, bannerRadius);
    }
};

// How to start, while the run holds nothing yet.
class EmptyStackView : public QWidget {
public:
    // `pasteNextHint`: what pastes each item where Ctrl+V does not.
    EmptyStackView(const QString& pasteNextHint, QWidget* parent)
        : QWidget(parent)
        , m_subtitle(pasteNextHint.isEmpty() ? u"Then Ctrl+V pastes them in order"_s
                                             : pasteNextHint) {
        setObjectName(u"pasteStackEmptyState"_s);
        setAccessibleName(title());
        setAccessibleDescription(subtitle());
    }
    static QString title() { return u"Copy items to add them to the stack"_s; }
    const QString& subtitle() const { return m_subtitle; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFont titleFont = PasteStackStyle::font(PasteStackStyle::captionSize);
        const QFont subtitleFont = PasteStackStyle::font(PasteStackStyle::caption2Size);
        const int titleHeight = QFontMetrics(titleFont).height();
        const int subtitleHeight = QFontMetrics(subtitleFont).height();
        const int total =
            emptySymbolSize + emptySpacing + titleHeight + emptySpacing + subtitleHeight;
        qreal y = (height() - total) / 2.0;
        drawStackGlyph(
            painter, StackGlyph::documents,
            QRectF((width() - emptySymbolSize) / 2.0, y, emptySymbolSize, emptySymbolSize),
            PasteStackStyle::tertiaryText(), PanelTheme::hud);
        y += emptySymbolSize + emptySpacing;
        painter.setFont(titleFont);
        painter.setPen(PanelTheme::hudSoft);
        painter.drawText(QRectF(0, y, width(), titleHeight), Qt::AlignHCenter, title());
        y += titleHeight + emptySpacing;
        painter.setFont(subtitleFont);
        painter.setPen(PasteStackStyle::tertiaryText());
        painter.drawText(QRectF(0, y, width(), subtitleHeight), Qt::AlignHCenter, subtitle());
    }

private:
    QString m_subtitle;
};

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setObjectName(u"pasteStackDivider"_s);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, PanelTheme::rule);
    line->setPalette(palette);
    return line;
}

QLabel* label(const QString& text, const QFont& font, const QColor& color, QWidget* parent) {
    auto* result = new QLabel(text, parent);
    result->setTextFormat(Qt::PlainText);
    result->setFont(font);
    QPalette palette = result->palette();
    palette.setColor(QPalette::WindowText, color);
    result->setPalette(palette);
    return result;
}

} // namespace

PasteStackView::PasteStackView(PasteStackManager& manager, AccessibilityManager& accessibility,
                               const QString& stopKeys, const QString& pasteNextHint,
                               QWidget* parent)
    : QWidget(parent)
    , m_manager(manager) {
    setObjectName(u"pasteStackView"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget(this);
    header->setObjectName(u"pasteStackHeader"_s);
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(headerPaddingX, headerPaddingY, headerPaddingX, headerPaddingY);
    headerRow->setSpacing(headerSpacing);
    auto* titleSymbol = new SymbolView(
        titleSymbolSize,
        [](QPainter& painter, const QRectF& box) {
            drawStackGlyph(painter, StackGlyph::stack, box, PanelTheme::hudSoft);
        },
        header);
    titleSymbol->setObjectName(u"pasteStackSymbol"_s);
    headerRow->addWidget(titleSymbol);
    auto* title =
        label(u"Paste Stack"_s, PasteStackStyle::font(PasteStackStyle::headlineSize, QFont::Bold),
              PanelTheme::hudText, header);
    title->setObjectName(u"pasteStackTitle"_s);
    headerRow->addWidget(title);
    headerRow->addStretch();
    auto* stop = new StopButton(header);
    connect(stop, &QAbstractButton::clicked, &manager, &PasteStackManager::deactivate);
    headerRow->addWidget(stop);
    layout->addWidget(header);

    // The banner, while the paste key cannot be watched nor sent.
    m_banner = new QWidget(this);
    m_banner->setObjectName(u"pasteStackBanner"_s);
    auto* bannerOuter = new QVBoxLayout(m_banner);
    bannerOuter->setContentsMargins(bannerInsetX, 0, bannerInsetX, bannerInsetBottom);
    auto* ground = new BannerGround(m_banner);
    ground->setObjectName(u"pasteStackBannerGround"_s);
    bannerOuter->addWidget(ground);
    auto* bannerRow = new QHBoxLayout(ground);
    bannerRow->setContentsMargins(bannerPadding, bannerPadding, bannerPadding, bannerPadding);
    bannerRow->setSpacing(bannerPadding);
    bannerRow->addWidget(new SymbolView(
                             bannerSymbolSize,
                             [](QPainter& painter, const QRectF& box) {
                                 drawStackGlyph(painter, StackGlyph::warningTriangle, box,
                                                PasteStackStyle::warningOrange(), PanelTheme::hud);
                             },
                             ground),
                         0, Qt::AlignTop);
    auto* bannerText =
        label(u"Accessibility permission is needed to advance after each Ctrl+V."_s,
              PasteStackStyle::font(PasteStackStyle::captionSize), PanelTheme::hudText, ground);
    bannerText->setObjectName(u"pasteStackBannerText"_s);
    bannerText->setWordWrap(true);
    bannerRow->addWidget(bannerText, 1);
    auto* grant = new CapsuleButton(
        u"Grant Access\u2026"_s,
        CapsuleButton::Style{PanelTheme::withAlpha(PasteStackStyle::warningOrange(), 0.3),
                             PanelTheme::withAlpha(PasteStackStyle::warningOrange(), 0.45),
                             PanelTheme::withAlpha(PasteStackStyle::warningOrange(), 0.45),
                             PanelTheme::hudText, PanelTheme::hudText, std::nullopt},
        ground);
    grant->setObjectName(u"pasteStackGrantButton"_s);
    grant->setFont(PasteStackStyle::font(PasteStackStyle::captionSize));
    grant->setFocusPolicy(Qt::NoFocus);
    connect(grant, &QAbstractButton::clicked, &accessibility, &AccessibilityManager::requestAccess);
    bannerRow->addWidget(grant, 0, Qt::AlignVCenter);
    layout->addWidget(m_banner);
    m_banner->setVisible(!accessibility.isAccessibilityGranted());
    connect(&accessibility, &AccessibilityManager::isAccessibilityGrantedChanged, m_banner,
            [this](bool granted) { m_banner->setVisible(!granted); });

    layout->addWidget(divider(this));
    m_body = new QStackedWidget(this);
    m_body->setObjectName(u"pasteStackBody"_s);
    m_emptyState = new EmptyStackView(pasteNextHint, m_body);
    m_list = new StackItemList(manager, m_body);
    m_body->addWidget(m_emptyState);
    m_body->addWidget(m_list);
    layout->addWidget(m_body, 1);
    // Under the items, where no watcher sees Ctrl+V: what pastes the next one.
    m_pasteNextHint = label(pasteNextHint, PasteStackStyle::font(PasteStackStyle::caption2Size),
                            PanelTheme::hudSoft, this);
    m_pasteNextHint->setObjectName(u"pasteStackNextHint"_s);
    m_pasteNextHint->setAlignment(Qt::AlignHCenter);
    m_pasteNextHint->setWordWrap(true);
    m_pasteNextHint->setContentsMargins(footerPaddingX, 0, footerPaddingX, footerPaddingY);
    layout->addWidget(m_pasteNextHint);
    layout->addWidget(divider(this));

    auto* footer = new QWidget(this);
    footer->setObjectName(u"pasteStackFooter"_s);
    auto* footerRow = new QHBoxLayout(footer);
    footerRow->setContentsMargins(footerPaddingX, footerPaddingY, footerPaddingX, footerPaddingY);
    m_progress = label(QString(), PasteStackStyle::font(PasteStackStyle::caption2Size),
                       PanelTheme::hudSoft, footer);
    m_progress->setObjectName(u"pasteStackProgress"_s);
    footerRow->addWidget(m_progress);
    footerRow->addStretch();
    auto* hint =
        label(u"%1 to stop"_s.arg(stopKeys), PasteStackStyle::font(PasteStackStyle::caption2Size),
              PasteStackStyle::tertiaryText(), footer);
    hint->setObjectName(u"pasteStackStopHint"_s);
    footerRow->addWidget(hint);
    layout->addWidget(footer);

    connect(&manager, &PasteStackManager::stackItemsChanged, this, &PasteStackView::stackChanged);
    connect(&manager, &PasteStackManager::currentIndexChanged, this, &PasteStackView::stackChanged);
    stackChanged();
}

QString PasteStackView::progressText(int currentIndex, qsizetype itemCount) {
    if (itemCount == 0)
        return u"No items"_s;
    return u"%1 of %2 pasted"_s.arg(std::min(qsizetype(currentIndex), itemCount)).arg(itemCount);
}

void PasteStackView::stackChanged() {
    const qsizetype count = m_manager.stackItems().size();
    m_body->setCurrentWidget(count == 0 ? m_emptyState : static_cast<QWidget*>(m_list));
    // The empty state says it already.
    m_pasteNextHint->setVisible(count > 0 && !m_pasteNextHint->text().isEmpty());
    m_progress->setText(progressText(m_manager.currentIndex(), count));
}

} // namespace quillbox
