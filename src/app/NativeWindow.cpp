#include "app/NativeWindow.h"

#include "app/CheckHooks.h"

#include <QEvent>
#include <QWidget>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace zkd {
namespace {

#ifdef Q_OS_WIN
HWND handleOf(QWidget &window)
{
    return reinterpret_cast<HWND>(window.winId());
}

void deleteCloseItem(QWidget &window)
{
    const HWND hwnd = handleOf(window);
    if (HMENU menu = ::GetSystemMenu(hwnd, FALSE)) {
        ::DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
        ::DrawMenuBar(hwnd);
        checkhooks::note(::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) == UINT(-1)
                             ? QStringLiteral("system menu without Close")
                             : QStringLiteral("system menu with Close"));
    }
}

// Edits the system menu of every native window the widget gets: Qt makes a
// new one when some window flags change.
class CloseItemRemover : public QObject
{
public:
    explicit CloseItemRemover(QWidget &window) : QObject(&window), m_window(window) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_window && (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show))
            deleteCloseItem(m_window);
        return false;
    }

private:
    QWidget &m_window;
};
#endif

} // namespace

void removeCloseFromSystemMenu(QWidget &window)
{
#ifdef Q_OS_WIN
    window.installEventFilter(new CloseItemRemover(window));
    if (window.internalWinId())
        deleteCloseItem(window);
#else
    static_cast<void>(window);
#endif
}

void bringToFront(QWidget &window)
{
    if (window.isMinimized())
        window.showNormal();
    window.show();
    window.raise();
    window.activateWindow();
#ifdef Q_OS_WIN
    const HWND hwnd = handleOf(window);
    if (::IsIconic(hwnd))
        ::ShowWindow(hwnd, SW_RESTORE);
    ::SetForegroundWindow(hwnd);
    checkhooks::note(::IsIconic(hwnd) ? QStringLiteral("brought forward, still minimised")
                                      : QStringLiteral("brought forward, restored"));
#endif
}

} // namespace zkd
