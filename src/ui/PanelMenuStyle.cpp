#include "ui/PanelMenuStyle.h"

#include "ports/WindowHints.h"
#include "ui/PanelTheme.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace quillbox {

namespace {

const char* const destructiveProperty = "quillboxDestructive";
// Room between the ground's edge and the entries, so the highlight's rounded
// corners stay inside the menu's.
constexpr int menuMargin = 5;
constexpr qreal highlightRadius = 6;

QColor highlightColor() {
    return PanelTheme::withAlpha(PanelTheme::marigold, 0.28);
}

QPalette menuPalette(const QColor& text) {
    QPalette palette;
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        palette.setColor(role, PanelTheme::hud);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                            QPalette::HighlightedText, QPalette::BrightText}) {
        palette.setColor(role, text);
        palette.setColor(QPalette::Disabled, role,
                         PanelTheme::withAlpha(PanelTheme::hudText, 0.35));
    }
    palette.setColor(QPalette::Highlight, highlightColor());
    palette.setColor(QPalette::Light, PanelTheme::rule);
    palette.setColor(QPalette::Dark, PanelTheme::rule);
    palette.setColor(QPalette::Shadow, PanelTheme::rule);
    palette.setColor(QPalette::Mid, PanelTheme::rule);
    return palette;
}

QPainterPath roundedGround(const QRectF& rect) {
    QPainterPath path;
    path.addRoundedRect(rect, PanelMenuStyle::cornerRadius, PanelMenuStyle::cornerRadius);
    return path;
}

} // namespace

PanelMenuStyle::PanelMenuStyle(bool isTranslucent, QObject* owner)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
    , m_isTranslucent(isTranslucent) {
    setParent(owner);
}

void PanelMenuStyle::apply(QMenu& menu, const WindowHints* hints) {
    auto* style = new PanelMenuStyle(hints && hints->isCompositing(), &menu);
    style->style(menu);
}

void PanelMenuStyle::style(QMenu& menu) {
    menu.setAttribute(Qt::WA_TranslucentBackground, m_isTranslucent);
    menu.setPalette(menuPalette(PanelTheme::hudText));
    menu.setStyle(this);
    if (!m_isTranslucent)
        menu.installEventFilter(this);
    for (QMenu* submenu : menu.findChildren<QMenu*>())
        style(*submenu);
}

void PanelMenuStyle::setDestructive(QAction& action) {
    action.setProperty(destructiveProperty, true);
}

bool PanelMenuStyle::isDestructive(const QAction& action) {
    return action.property(destructiveProperty).toBool();
}

QColor PanelMenuStyle::destructiveColor() {
    return PanelTheme::rgb(1.0, 0.42, 0.4);
}

void PanelMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const {
    switch (element) {
    case PE_PanelMenu: {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (m_isTranslucent) {
            painter->setCompositionMode(QPainter::CompositionMode_Source);
            painter->fillRect(option->rect, Qt::transparent);
            painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        const QRectF ground = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        painter->fillPath(roundedGround(ground), PanelTheme::hud);
        painter->setPen(QPen(PanelTheme::rule, 1));
        painter->drawPath(roundedGround(ground));
        painter->restore();
        return;
    }
    case PE_FrameMenu:
        return; // the ground draws its own edge
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void PanelMenuStyle::drawControl(ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    if (element == CE_MenuEmptyArea)
        return; // the ground is already there, corners and all
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    QStyleOptionMenuItem entry(*item);
    const auto* menu = qobject_cast<const QMenu*>(widget);
    const QAction* action = menu ? menu->actionAt(item->rect.center()) : nullptr;
    if (action && isDestructive(*action)) {
        const QPalette red = menuPalette(destructiveColor());
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                QPalette::HighlightedText})
            entry.palette.setColor(QPalette::Active, role, red.color(QPalette::Active, role));
        entry.palette.setColor(QPalette::Inactive, QPalette::Text, destructiveColor());
        entry.palette.setColor(QPalette::Inactive, QPalette::HighlightedText, destructiveColor());
        entry.palette.setColor(QPalette::Inactive, QPalette::WindowText, destructiveColor());
    }
    if (entry.menuItemType == QStyleOptionMenuItem::Separator) {
        painter->save();
        painter->setPen(QPen(PanelTheme::rule, 1));
        const int y = entry.rect.center().y();
        painter->drawLine(entry.rect.left() + 8, y, entry.rect.right() - 8, y);
        painter->restore();
        return;
    }
    if ((entry.state & State_Selected) && (entry.state & State_Enabled)) {
        // Our own rounded highlight; the base style then draws the entry as
        // not selected, with the palette's text colour.
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(highlightColor());
        painter->drawRoundedRect(QRectF(entry.rect).adjusted(1, 0.5, -1, -0.5), highlightRadius,
                                 highlightRadius);
        painter->restore();
        entry.state &= ~State_Selected;
    }
    QProxyStyle::drawControl(element, &entry, painter, widget);
}

int PanelMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                const QWidget* widget) const {
    switch (metric) {
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return menuMargin;
    case PM_MenuPanelWidth:
        return 0;
    case PM_SubMenuOverlap:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

bool PanelMenuStyle::eventFilter(QObject* watched, QEvent* event) {
    // Without a compositor the corners cannot be see-through: a shape cuts them off.
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show) {
        if (auto* menu = qobject_cast<QMenu*>(watched)) {
            const QPainterPath path = roundedGround(QRectF(menu->rect()));
            menu->setMask(QRegion(path.toFillPolygon().toPolygon()));
        }
    }
    return QProxyStyle::eventFilter(watched, event);
}

} // namespace quillbox
