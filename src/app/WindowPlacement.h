#pragma once

class QRect;
class QSize;
class QWidget;

namespace zkd {

// Centres a window on the primary screen's available area (halving with
// integer division, as the windows have always been centred). A window larger
// than the area keeps its top left corner inside it.
void centreOnScreen(QWidget &window);

// Shrinks a window, title bar and border included, to fit the primary
// screen's available area (no smaller than its layout allows), then centres it.
void fitOnScreen(QWidget &window);

// Where a window of `size` (frame included) goes in `area`: centred, and
// never with its top or left edge outside the area.
QRect placeInArea(const QSize &size, const QRect &area);

} // namespace zkd
