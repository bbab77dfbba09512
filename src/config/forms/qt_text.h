#pragma once

#include <QString>
#include <QTextDocument>
#include <string>
#include <string_view>

namespace velnorix {

// The core keeps texts as bytes in the system's 8-bit encoding; widgets hold QString.
inline QString ToQString(std::string_view bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string ToBytes(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

// Text from outside (a server's reply, an address) as a tool tip. Qt shows a tool tip that looks
// like markup as markup, so a server could style it; escaped rich text shows it as it came.
inline QString PlainToolTip(const QString& text) {
    return text.isEmpty() ? text : Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}

} // namespace velnorix
