#pragma once
// Code texts name the byte values of one colour code: one hexadecimal number ("41", "0D")
// or two joined by one "-" ("0D-2D", "61-7A").

#include <cstdint>
#include <optional>
#include <string_view>

namespace vtx {

// A code text split at its first "-". Without a "-" the whole text is the low part and
// the high part is empty.
struct CodeTextParts {
    std::string_view low;
    std::string_view high;
    bool hasDash = false;
};

// Empty when a second "-" follows the first: such a text names nothing.
[[nodiscard]] std::optional<CodeTextParts> SplitCodeText(std::string_view code);

struct CodeRange {
    std::int32_t low = -1;
    std::int32_t high = -1;
    [[nodiscard]] bool IsValid() const { return low != -1 && high >= low; }
    friend bool operator==(const CodeRange&, const CodeRange&) = default;
};

// The inclusive range a code text names, each number read as strtol reads base 16 (so
// "-2D" is 00 to 2D and a digit-less part is 0). low is -1 for an empty text, a second
// "-", or a high end below the low end ("2D-0D", "0D-").
[[nodiscard]] CodeRange ParseCodeRange(std::string_view code);

} // namespace vtx
