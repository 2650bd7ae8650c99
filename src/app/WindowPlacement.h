#pragma once

class QWidget;

namespace zkd {

// Centres a window on the primary screen's available area (halving with
// integer division, as the windows have always been centred).
void centreOnScreen(QWidget &window);

} // namespace zkd
