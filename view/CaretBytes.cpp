#include "view/CaretBytes.h"

// this program
#include "document/CVantorixDoc.h"

// std
#include <algorithm>
#include <cstring>

namespace vtx {

CaretBytes ReadCaretBytes(CVantorixDoc& doc, FilePos position, std::size_t wanted)
{
    CaretBytes caret;
    caret.position = position;
    if (!doc.IsFileOpen())
        return caret;
    wanted = std::min(wanted, caret.bytes.size());
    // ReadPresented stops at the first byte it cannot read and says why; short of that, a
    // short count is the end of the file.
    const ReadOutcome read = doc.ReadPresented(caret.bytes.data(), static_cast<std::uint32_t>(wanted), position);
    caret.count = std::min<std::size_t>(read.count, wanted);
    caret.error = caret.count < wanted ? read.error : 0;
    return caret;
}

std::array<std::string, kInspectedTypeCount> CaretValueTexts(const CaretBytes& caret, bool bigEndian)
{
    std::array<std::string, kInspectedTypeCount> texts = InspectedValueTexts(caret.Known(), bigEndian);
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (caret.Unreadable(InspectedTypeSize(static_cast<InspectedType>(i))))
            texts[i] = kUnreadableValueText;
    return texts;
}

std::string CaretBinaryText(const CaretBytes& caret)
{
    return caret.CaretUnreadable() ? std::string(kUnreadableValueText) : BinaryText(caret.Known());
}

std::string CaretUnreadableReason(const CaretBytes& caret)
{
    return caret.CaretUnreadable() ? std::string(std::strerror(caret.error)) : std::string();
}

} // namespace vtx
