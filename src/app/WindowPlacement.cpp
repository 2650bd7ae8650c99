#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace zkd {
namespace {

// Before a window is first shown its frame is unknown; this much is kept free
// for the title bar and borders the window manager adds.
constexpr QSize kFrameAllowance{16, 40};

QSize frameExtent(const QWidget &window)
{
    const QSize frame = window.frameGeometry().size() - window.geometry().size();
    return frame.isEmpty() ? kFrameAllowance : frame;
}

} // namespace

QRect placeInArea(const QSize &size, const QRect &area)
{
    const int left = area.left() + (area.width() - size.width()) / 2;
    const int top = area.top() + (area.height() - size.height()) / 2;
    return QRect(QPoint(std::max(left, area.left()), std::max(top, area.top())), size);
}

void centreOnScreen(QWidget &window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window.move(placeInArea(window.size(), screen->availableGeometry()).topLeft());
}

void fitOnScreen(QWidget &window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = frameExtent(window);
    window.resize(window.size().boundedTo(area.size() - frame).expandedTo(window.minimumSizeHint()));
    const QRect outer = placeInArea(window.size() + frame, area);
    window.move(outer.topLeft());
}

} // namespace zkd
