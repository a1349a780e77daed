#include "FileIdentity.h"

#include <sys/stat.h>

namespace vtx {

FileIdentity FileIdentity::FromStat(const struct stat& st)
{
    FileIdentity id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::int64_t>(st.st_size);
    id.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    id.mode = static_cast<std::uint32_t>(st.st_mode);
    return id;
}

bool SameOutcome(const FileCheck& a, const FileCheck& b)
{
    if (a.change != b.change || !a.descriptor.SameState(b.descriptor) || a.path.has_value() != b.path.has_value())
        return false;
    return !a.path || a.path->SameState(*b.path);
}

FileChange CompareIdentity(const FileIdentity& recorded, const FileIdentity& descriptorNow,
                           const std::optional<FileIdentity>& pathNow)
{
    if (!pathNow)
        return FileChange::Deleted;
    if (!pathNow->SameFile(recorded))
        return FileChange::Replaced;
    if (!descriptorNow.SameState(recorded))
        return FileChange::Changed;
    return FileChange::None;
}

bool CheckFile(const FileIdentity& recorded, int fd, const std::string& path, FileCheck& result)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    result.descriptor = FileIdentity::FromStat(st);
    // A path that cannot be looked up at all (gone, or its directory gone or closed to
    // us) no longer leads to our file: for saving, that is a deleted file.
    if (::stat(path.c_str(), &st) == 0)
        result.path = FileIdentity::FromStat(st);
    else
        result.path.reset();
    result.change = CompareIdentity(recorded, result.descriptor, result.path);
    return true;
}

} // namespace vtx
