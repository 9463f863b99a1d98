#pragma once

#include <QIcon>

// The program's icon, drawn like the installed harvo.svg: a globe on a blue
// tile with a download arrow.
QIcon HarvoAppIcon();
