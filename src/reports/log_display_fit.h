#pragma once

namespace velnorix {

// How the log display fits itself to the screen when first shown. A value of 0 leaves the
// form's own setting as it is. Font sizes are in points; the minimum is the outer window size.
struct LogDisplayFit {
    int LogFontPoints = 0;
    int DoneFontPoints = 0;
    int FindFontPoints = 0; // Find 1st and Find Next; Find Last keeps its own font
    int MinimumWidth = 0;
    int MinimumHeight = 0;

    friend bool operator==(const LogDisplayFit&, const LogDisplayFit&) = default;
};

LogDisplayFit LogDisplayFitForScreen(int screenWidth);

} // namespace velnorix
