#pragma once
// Turns wheel and touchpad deltas into whole lines. A classic wheel sends 120 angle units per
// notch, which scrolls four lines; high-resolution wheels and touchpads send small pieces
// that add up to the same, so they are gathered until they make a line. Touchpads that
// report pixels scroll a line for every line height of pixels. The remainder is dropped
// when the direction turns or a new scroll gesture begins.

// std
#include <cstdint>

namespace vtx {

class WheelAccumulator
{
public:
    static constexpr int kUnitsPerNotch = 120;
    static constexpr int kLinesPerNotch = 4;

    // Lines to scroll for one event: positive up (away from the user), negative down.
    // pixelDeltaY is used when it is not 0; otherwise angleDeltaY.
    [[nodiscard]] int Add(int angleDeltaY, int pixelDeltaY, int lineHeightPx);
    // Forgets the gathered remainder (a new gesture).
    void Reset();

private:
    static int Take(std::int64_t& gathered, std::int64_t delta, std::int64_t unit);

    std::int64_t m_nAngle = 0;
    std::int64_t m_nPixels = 0;
};

} // namespace vtx
