#include "colors/ParseCodeRange.h"

#include "text/NumberText.h"

namespace vtx {

std::optional<CodeTextParts> SplitCodeText(std::string_view code)
{
    const std::size_t dash = code.find('-');
    if (dash == std::string_view::npos)
        return CodeTextParts{code, {}, false};
    const std::string_view high = code.substr(dash + 1);
    if (high.find('-') != std::string_view::npos)
        return std::nullopt;
    return CodeTextParts{code.substr(0, dash), high, true};
}

CodeRange ParseCodeRange(std::string_view code)
{
    if (code.empty())
        return {};
    const auto parts = SplitCodeText(code);
    if (!parts)
        return {};
    const std::int32_t low = StrToL32(parts->low, 16);
    if (!parts->hasDash)
        return {low, low};
    const std::int32_t high = StrToL32(parts->high, 16);
    if (high < low)
        return {-1, high};
    return {low, high};
}

} // namespace vtx
