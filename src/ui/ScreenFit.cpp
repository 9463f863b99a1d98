#include "ui/ScreenFit.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWidget>

namespace {
QSize FrameSize(const QWidget& Window)
{
    return Window.frameGeometry().size() - Window.size();
}
} // namespace

void KeepWithinScreen(QWidget& Window)
{
    // A window without a parent opens on the screen under the mouse, where
    // the user has just clicked to open it.
    const QScreen* Screen = QGuiApplication::screenAt(QCursor::pos());
    if (!Screen)
        Screen = Window.screen();
    // A window knows its own frame only once it has been shown; until then
    // the frame of a window already on screen stands in for it.
    QSize Frame = FrameSize(Window);
    for (const QWidget* Other : QApplication::topLevelWidgets())
        if (Other->isVisible())
            Frame = Frame.expandedTo(FrameSize(*Other));
    Window.resize(Window.size().boundedTo(Screen->availableGeometry().size() - Frame));
}
