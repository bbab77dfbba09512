#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;

namespace velnorix {

// The program's icon: a monitor screen with a pulse line, drawn at any size onto any paint
// device (the window's pixmaps, the installed PNG and SVG icons).
void PaintApplicationIcon(QPainter& painter, int size);
QPixmap ApplicationPixmap(int size);
QIcon ApplicationIcon();

// The maker's logo for the About box, on a transparent background.
QPixmap MakerLogo(const QSize& size);

} // namespace velnorix
