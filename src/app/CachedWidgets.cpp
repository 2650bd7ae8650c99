#include "app/CachedWidgets.h"

#include <QApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QStyleOptionSlider>
#include <QStylePainter>

namespace zkd {

void CachedGroupBox::paintEvent(QPaintEvent *event)
{
    // A checkable box changes with hover and focus: the style draws it each time.
    if (isCheckable()) {
        QGroupBox::paintEvent(event);
        return;
    }
    const qreal ratio = devicePixelRatio();
    if (!m_frameValid || m_frameTitle != title() || m_frame.size() != size() * ratio
        || m_frame.devicePixelRatio() != ratio) {
        m_frame = QPixmap(size() * ratio);
        m_frame.setDevicePixelRatio(ratio);
        // On the window's own background: an opaque picture is copied, not blended.
        m_frame.fill(palette().color(backgroundRole()));
        QStylePainter painter(&m_frame, this);
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_GroupBox, option);
        m_frameTitle = title();
        m_frameValid = true;
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawPixmap(0, 0, m_frame);
}

CachedGroupBox::CachedGroupBox(const QString &title, QWidget *parent) : QGroupBox(title, parent)
{
    // Every pixel is painted, the background behind it included.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CachedGroupBox::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::StyleChange:
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::EnabledChange:
    case QEvent::ActivationChange:
    case QEvent::LayoutDirectionChange: m_frameValid = false; break;
    default: break;
    }
    QGroupBox::changeEvent(event);
}

void CachedGroupBox::resizeEvent(QResizeEvent *event)
{
    m_frameValid = false;
    QGroupBox::resizeEvent(event);
}

CachedScrollBar::CachedScrollBar(Qt::Orientation orientation, QWidget *parent) : QScrollBar(orientation, parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CachedScrollBar::paintEvent(QPaintEvent *event)
{
    if (underMouse() || isSliderDown() || QApplication::mouseButtons() != Qt::NoButton) {
        QScrollBar::paintEvent(event);
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.activeSubControls = QStyle::SC_None;
    const qreal ratio = devicePixelRatio();
    const CachedLook look{size(), option.state, palette().cacheKey(), ratio};
    if (m_groove.isNull() || !(look == m_grooveLook)) {
        m_groove = QPixmap(size() * ratio);
        m_groove.setDevicePixelRatio(ratio);
        m_groove.fill(palette().color(backgroundRole()));
        QPainter painter(&m_groove);
        QStyleOptionSlider groove = option;
        groove.subControls = QStyle::SC_ScrollBarGroove;
        style()->drawComplexControl(QStyle::CC_ScrollBar, &groove, &painter, this);
        m_grooveLook = look;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_groove);
    // The style draws the arrows over the handle's ends.
    QStyleOptionSlider handle = option;
    handle.subControls = QStyle::SubControls(QStyle::SC_All) & ~QStyle::SubControls(QStyle::SC_ScrollBarGroove);
    style()->drawComplexControl(QStyle::CC_ScrollBar, &handle, &painter, this);
}

CachedPanelStyle::CachedPanelStyle(const QString &baseStyle) : QProxyStyle(baseStyle) {}

CachedPanelStyle *CachedPanelStyle::instance()
{
    static QPointer<CachedPanelStyle> style;
    if (!style) {
        style = new CachedPanelStyle(QApplication::style()->name());
        style->setParent(qApp);
    }
    return style;
}

void CachedPanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                     const QWidget *widget) const
{
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
    if (element != PE_PanelLineEdit || !frame || !widget || option->rect.isEmpty()) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device()->devicePixelRatio();
    const CachedLook look{option->rect.size(), option->state,    option->palette.cacheKey(), ratio,
                          frame->lineWidth,    option->direction};
    auto found = m_panels.find(widget);
    if (found == m_panels.end()) {
        found = m_panels.insert(widget, Panel{});
        connect(widget, &QObject::destroyed, this, [this](QObject *gone) { m_panels.remove(gone); });
    }
    Panel &panel = found.value();
    if (panel.picture.isNull() || !(panel.look == look)) {
        panel.picture = QPixmap(option->rect.size() * ratio);
        panel.picture.setDevicePixelRatio(ratio);
        // Transparent where the style leaves the corners to what lies behind.
        panel.picture.fill(Qt::transparent);
        QPainter panelPainter(&panel.picture);
        QStyleOptionFrame atOrigin = *frame;
        atOrigin.rect.moveTo(0, 0);
        QProxyStyle::drawPrimitive(element, &atOrigin, &panelPainter, widget);
        panel.look = look;
    }
    painter->drawPixmap(option->rect.topLeft(), panel.picture);
}

} // namespace zkd
