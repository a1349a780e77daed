#pragma once
// A step that a test may replace for the whole program: a dialog's modal loop, a font or
// colour picker. Empty, the program does its own thing; the program itself never sets one.
// One slot per Owner and Function, so each class's seams stay apart.

// std
#include <functional>

namespace vtx {

template <typename Owner, typename Function>
class TestSeam
{
public:
    using Replacement = std::function<Function>;
    static void Set(Replacement replacement) { s_replacement = std::move(replacement); }
    // A copy, so that a replacement may replace itself while it runs.
    [[nodiscard]] static Replacement Get() { return s_replacement; }

private:
    static inline Replacement s_replacement;
};

} // namespace vtx
