#pragma once
// What the caret stands on, read once for each of the three places that show it: the value
// box, the status bar's caret pane and the Data Inspector. A byte the file cannot give has
// no value: all three show it as unknown ("??" or blank) with the reason, never as a number
// and never as the end of the file. Every read goes through CVantorixDoc::ReadPresented, as
// the drawing does, so what the panes say matches the ?? cells on the screen.

// this program
#include "text/CaretNumbers.h"
#include "platform/FilePos.h"

// Qt
#include <QString>

// std
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vtx {

class CVantorixDoc;

struct CaretBytes {
    FilePos position = 0;
    // The presented bytes from position on (pending changes laid over the file's).
    std::array<std::uint8_t, kMaxInspectedBytes> bytes{};
    std::size_t count = 0;
    // The system's error (errno) for the byte at position + count; 0 when the bytes stop
    // there because the file ends (or because no more were asked for).
    int error = 0;

    [[nodiscard]] std::span<const std::uint8_t> Known() const { return {bytes.data(), count}; }
    // The byte under the caret cannot be read.
    [[nodiscard]] bool CaretUnreadable() const { return count == 0 && error != 0; }
    // A value of `size` bytes reaches a byte that cannot be read (not merely the end).
    [[nodiscard]] bool Unreadable(std::size_t size) const { return count < size && error != 0; }
    // Where the read failed, meaningful when error != 0.
    [[nodiscard]] FilePos FailedAt() const { return position + count; }
};

// What a value that reaches an unreadable byte shows instead of a number.
inline constexpr const char* kUnreadableValueText = "??";

// Up to `wanted` (at most kMaxInspectedBytes) presented bytes at position. Past the end of
// the file, or without an open file, nothing is read and nothing has failed.
[[nodiscard]] CaretBytes ReadCaretBytes(CVantorixDoc& doc, FilePos position,
                                        std::size_t wanted = kMaxInspectedBytes);

// The inspector's rows: InspectedValueTexts, with "??" for every value that reaches an
// unreadable byte ("-" stays for one that runs past the end).
[[nodiscard]] std::array<std::string, kInspectedTypeCount> CaretValueTexts(const CaretBytes& caret, bool bigEndian);
// The caret's byte in binary, "??" when it cannot be read.
[[nodiscard]] std::string CaretBinaryText(const CaretBytes& caret);
// The system's short reason ("Input/output error") when the caret's byte cannot be read,
// for the caret pane; empty otherwise.
[[nodiscard]] std::string CaretUnreadableReason(const CaretBytes& caret);

} // namespace vtx
