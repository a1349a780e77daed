#pragma once
// The rollback record of a save: the bytes a save is about to overwrite, on disk before the
// first of them is, so that a save cut short by a crash or a full disk never leaves a file
// that is part old, part new. Written, read and cleared by EditJournal's rollback members.

// this program
#include "platform/FileIdentity.h"
#include "platform/FilePos.h"

// std
#include <cstdint>
#include <string>
#include <vector>

namespace vtx {

// The bytes a save is about to overwrite, and which file they belong to.
struct RollbackRecord {
    struct Span {
        FilePos position = 0;
        std::vector<std::uint8_t> bytes;
        bool operator==(const Span&) const = default;
    };
    std::string path;
    FileIdentity identity;
    FilePos length = 0;
    std::vector<Span> spans;
    // The ByteCheck of the bytes the save writes over the spans, in their order: a file that
    // holds them all has had its save completed, and needs nothing put back. That is what
    // lets a finished save clear its record without waiting for the disk.
    std::uint64_t newBytesCheck = 0;

    bool operator==(const RollbackRecord&) const = default;
};

} // namespace vtx
