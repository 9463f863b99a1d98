#pragma once

class QWidget;

// Shrinks Window, its frame included, to the free area of the screen it
// opens on (the screen less panels and task bars). A window that fits keeps
// the size it has, so a size the user chose survives the next opening.
void KeepWithinScreen(QWidget& Window);
