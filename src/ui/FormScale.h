#pragma once

class QWidget;

// Layout sizes are kept as the proportions of a design made for a font
// 13 pixels high; this scales such a size to the widget's current font.
int ScaledPixels(const QWidget* Widget, int DesignPixels);
