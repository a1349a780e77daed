#pragma once
// What the source files of the hex view share: its status texts, the delays after which
// its long tasks show progress, the pane's owner, and two small helpers. The view's code
// lives in CVantorixView.cpp (scrolling, go-to, display settings), CVantorixViewDraw.cpp
// (painting and printing), CVantorixViewKeys.cpp (caret, keys, mouse, selection, typing,
// undo) and CVantorixViewClipboard.cpp (search and the clipboard).

// this program
#include "framework/Trace.h"

// std
#include <algorithm>
#include <cstdint>
#include <limits>

namespace vtx::view_detail {

constexpr const char* kSelectionStatus = "Start %1, End %2";
constexpr const char* kEditStatus = "Edit Byte At: %1, aka %2";
constexpr const char* kScrollStatus = "nMax: %1, m_nMax: %2";

inline int g_searchProgressDelayMs = 500;
inline int g_copyProgressDelayMs = 1000;
// The view whose caret the status bar's pane shows; it clears the pane when it goes.
inline const void* g_caretPane = nullptr;

// Trace lines are formatted only when someone listens.
template <typename MakeLine>
void TraceLazy(MakeLine&& make)
{
    if (lcVantorixTrace().isDebugEnabled())
        Trace(make());
}

inline int ToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min() / 2,
                                                     std::numeric_limits<int>::max() / 2));
}

} // namespace vtx::view_detail
