#pragma once

#include <QString>
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

} // namespace velnorix
