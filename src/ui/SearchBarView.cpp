#include "ui/SearchBarView.h"

#include "core/AppState.h"
#include "ui/PanelGlyphs.h"
#include "ui/PanelTheme.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

constexpr int glyphSize = 14;
constexpr int clearGlyphSize = 14;
constexpr int cornerRadius = 10;
constexpr int fieldPixelSize = 15;

class GlyphButton : public QAbstractButton {
public:
    GlyphButton(PanelGlyph glyph, int size, QWidget* parent)
        : QAbstractButton(parent)
        , m_glyph(glyph) {
        setFixedSize(size, size);
        setCursor(Qt::ArrowCursor);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawPanelGlyph(painter, m_glyph, rect(), PanelTheme::hudSoft, PanelTheme::hud);
    }

private:
    PanelGlyph m_glyph;
};

class GlyphLabel : public QWidget {
public:
    GlyphLabel(PanelGlyph glyph, int size, QWidget* parent)
        : QWidget(parent)
        , m_glyph(glyph) {
        setFixedSize(size, size);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawPanelGlyph(painter, m_glyph, rect(), PanelTheme::hudSoft);
    }

private:
    PanelGlyph m_glyph;
};

} // namespace

SearchBarView::SearchBarView(AppState& appState, PanelSearchField::ClipboardText clipboardText,
                             QWidget* parent)
    : QWidget(parent)
    , m_appState(appState)
    , m_field(new PanelSearchField(std::move(clipboardText), this))
    , m_clearButton(new GlyphButton(PanelGlyph::xmarkCircle, clearGlyphSize, this)) {
    setObjectName(u"searchBar"_s);
    m_field->setObjectName(u"searchField"_s);
    m_clearButton->setObjectName(u"clearSearchButton"_s);
    m_clearButton->setAccessibleName(tr("Clear search"));

    m_field->setPlaceholderText(u"Search clipboard history\u2026"_s);
    m_field->setFrame(false);
    QFont font = m_field->font();
    font.setPixelSize(fieldPixelSize);
    m_field->setFont(font);
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, PanelTheme::hudText);
    palette.setColor(QPalette::PlaceholderText, PanelTheme::hudSoft);
    palette.setColor(QPalette::Highlight, PanelTheme::withAlpha(PanelTheme::marigold, 0.45));
    palette.setColor(QPalette::HighlightedText, PanelTheme::hudText);
    m_field->setPalette(palette);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 9, 12, 9);
    layout->setSpacing(10);
    layout->addWidget(new GlyphLabel(PanelGlyph::magnifyingGlass, glyphSize, this));
    layout->addWidget(m_field, 1);
    layout->addWidget(m_clearButton);

    connect(m_field, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_appState.setSearchQuery(text); });
    connect(m_clearButton, &QAbstractButton::clicked, this,
            [this] { m_appState.setSearchQuery(QString()); });
    connect(&m_appState, &AppState::searchQueryChanged, this, &SearchBarView::showQuery);
    showQuery(m_appState.searchQuery());
}

void SearchBarView::showQuery(const QString& query) {
    // Setting the same text again would move the cursor to the end.
    if (m_field->text() != query)
        m_field->setText(query);
    m_clearButton->setVisible(!query.isEmpty());
}

void SearchBarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(PanelTheme::field);
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
}

} // namespace quillbox
