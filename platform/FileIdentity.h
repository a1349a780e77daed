#pragma once
// Which file an open descriptor is, and whether that file is still the one its path
// names. Another program may rename a file over ours, delete it, truncate it or write
// into it while we hold it open (our lock is only advisory); before the editor writes,
// and when its window comes back to the front, it compares what it recorded with what
// the descriptor and the path say now.

#include <cstdint>
#include <optional>
#include <string>

struct stat;

namespace vtx {

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    // The change time: no program can set it back, so a writer that restores the
    // modification time after writing is still noticed.
    std::int64_t ctimeNs = 0;
    std::uint32_t mode = 0;

    [[nodiscard]] static FileIdentity FromStat(const struct stat& st);
    bool operator==(const FileIdentity&) const = default;
    // The same file: device and inode.
    [[nodiscard]] bool SameFile(const FileIdentity& other) const
    {
        return device == other.device && inode == other.inode;
    }
    // The same file with the same size, modification and change time.
    [[nodiscard]] bool SameState(const FileIdentity& other) const
    {
        return SameFile(other) && size == other.size && mtimeNs == other.mtimeNs && ctimeNs == other.ctimeNs;
    }
};

// What happened to a file since its identity was recorded. A replacement or a deletion of
// the name wins over a change of the contents: the name is what the user saves to.
enum class FileChange { None, Replaced, Deleted, Changed };

// One look at a file: its descriptor now, and what its path names now (nothing when the
// path names no file).
struct FileCheck {
    FileChange change = FileChange::None;
    FileIdentity descriptor;
    std::optional<FileIdentity> path;
};

// Two looks that found the file in the same state.
[[nodiscard]] bool SameOutcome(const FileCheck& a, const FileCheck& b);

[[nodiscard]] FileChange CompareIdentity(const FileIdentity& recorded, const FileIdentity& descriptorNow,
                                         const std::optional<FileIdentity>& pathNow);

// fstat of fd and stat of path, nothing more. False when fd itself cannot be asked.
[[nodiscard]] bool CheckFile(const FileIdentity& recorded, int fd, const std::string& path, FileCheck& result);

} // namespace vtx
