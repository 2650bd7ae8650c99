#pragma once

class QWidget;

namespace zkd {

// Takes Close out of the window's system menu, which also disables its close
// box and Alt+F4 (Windows); the menu is edited again whenever the window gets
// a new native handle. Elsewhere the window's closeEvent alone refuses a close.
void removeCloseFromSystemMenu(QWidget &window);

// Restores the window when it is minimised, shows it and brings it to the
// foreground. On Windows this takes the right to the foreground that the
// copy which asked for it handed over (AllowSetForegroundWindow).
void bringToFront(QWidget &window);

} // namespace zkd
