#include "config/forms/form_fonts.h"

namespace velnorix {
namespace {

QFont PixelFont(const QString& family, QFont::StyleHint hint) {
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(13);
    return font;
}

} // namespace

QFont FormFont() {
    return PixelFont(QStringLiteral("Arial"), QFont::SansSerif);
}

QFont FixedPitchFont() {
    return PixelFont(QStringLiteral("Courier New"), QFont::Monospace);
}

} // namespace velnorix
