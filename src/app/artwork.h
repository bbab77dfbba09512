#pragma once

#include <QIcon>
#include <QPixmap>

namespace velnorix {

// The program's icon: a monitor screen with a pulse line, drawn at any size.
QPixmap ApplicationPixmap(int size);
QIcon ApplicationIcon();

// The maker's logo for the About box, on a transparent background.
QPixmap MakerLogo(const QSize& size);

} // namespace velnorix
