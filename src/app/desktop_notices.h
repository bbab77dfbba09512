#pragma once

#include "engine/verdict_changes.h"

namespace velnorix {

// Where the window's notices about targets go: the tray icon, which hands them to the
// desktop's notification service; tests count them instead.
class DesktopNotices {
public:
    virtual ~DesktopNotices() = default;
    virtual void Show(const ChangeNotice& notice) = 0;
};

} // namespace velnorix
