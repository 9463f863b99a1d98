#include "ui/FormScale.h"

#include <QFontMetrics>
#include <QWidget>

int ScaledPixels(const QWidget* Widget, int DesignPixels)
{
    constexpr int DesignFontHeight = 13;
    return DesignPixels * Widget->fontMetrics().height() / DesignFontHeight;
}
