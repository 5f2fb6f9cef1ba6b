#pragma once

// The layout is drawn in twips (1/1440 inch). Qt lays out in device-independent pixels of
// 1/96 inch and scales those for high-DPI screens itself, so one conversion serves every screen.

namespace tessaly::app {

constexpr int twipsToPx(int twips) {
    // Halves round away from zero; every twips value here is positive anyway.
    const int scaled = twips * 96;
    return (scaled + 720) / 1440;
}

}  // namespace tessaly::app
