#include "WheelAccumulator.h"

// std
#include <algorithm>
#include <limits>

namespace vtx {

int WheelAccumulator::Take(std::int64_t& gathered, std::int64_t delta, std::int64_t unit)
{
    if ((gathered < 0 && delta > 0) || (gathered > 0 && delta < 0))
        gathered = 0;
    gathered += delta;
    const std::int64_t lines = gathered / unit; // toward zero: the remainder keeps its sign
    gathered -= lines * unit;
    return static_cast<int>(std::clamp<std::int64_t>(lines, std::numeric_limits<int>::min(),
                                                      std::numeric_limits<int>::max()));
}

int WheelAccumulator::Add(int angleDeltaY, int pixelDeltaY, int lineHeightPx)
{
    if (pixelDeltaY != 0) {
        m_nAngle = 0;
        return Take(m_nPixels, pixelDeltaY, std::max(lineHeightPx, 1));
    }
    m_nPixels = 0;
    return Take(m_nAngle, angleDeltaY, kUnitsPerNotch / kLinesPerNotch);
}

void WheelAccumulator::Reset()
{
    m_nAngle = 0;
    m_nPixels = 0;
}

} // namespace vtx
