#pragma once

#include "app/desktop_notices.h"

#include <vector>

namespace velnorix::kit {

// The tray as a test sees it: every notice it was asked to show.
class CountingNotices final : public DesktopNotices {
public:
    void Show(const ChangeNotice& notice) override { Shown.push_back(notice); }
    std::vector<ChangeNotice> Shown;
};

} // namespace velnorix::kit
