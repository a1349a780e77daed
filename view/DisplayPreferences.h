#pragma once
// The display choices that hold for every hex view and are remembered between runs: the
// font the user picked (none: the program's own "Courier" at 16 pixels) and whether coded
// colours are kept readable. Loaded once at start-up and saved when the display settings
// change them.

// Qt
#include <QFont>

// std
#include <optional>

namespace vtx {

// The font the user chose, if any.
[[nodiscard]] std::optional<QFont> ChosenViewFont();
void SetChosenViewFont(std::optional<QFont> font);

// Reads both choices from the application's settings (no application: the defaults), and
// writes them back. Writing reports failure only to the trace.
void LoadDisplayPreferences();
void SaveDisplayPreferences();

} // namespace vtx
