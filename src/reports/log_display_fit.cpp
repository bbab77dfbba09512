#include "reports/log_display_fit.h"

namespace velnorix {

LogDisplayFit LogDisplayFitForScreen(int screenWidth) {
    if (screenWidth < 320 || screenWidth >= 10000)
        return {};
    if (screenWidth <= 720)
        return {7, 7, 7, 620, 350};
    if (screenWidth <= 906)
        return {7, 7, 8, 750, 520};
    if (screenWidth <= 1152)
        return {7, 7, 7, 800, 500};
    if (screenWidth <= 1440)
        return {0, 0, 0, 750, 500};
    return {0, 0, 0, 820, 600};
}

} // namespace velnorix
