#pragma once

#include <QString>
#include <utility>

namespace velnorix {

// Creates a widget under its designer name, by which tests find it.
template <class Widget, class... Args>
Widget* MakeNamed(const QString& name, Args&&... args) {
    auto* widget = new Widget(std::forward<Args>(args)...);
    widget->setObjectName(name);
    return widget;
}

} // namespace velnorix
