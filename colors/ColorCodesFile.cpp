#include "colors/ColorCodesFile.h"

#include "text/NumberText.h"

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

// POSIX: fsync and the owner of the file, which the standard library does not reach.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vtx {

namespace fs = std::filesystem;

ColorCodeLine ParseColorCodeLine(std::string_view line)
{
    ColorCodeLine result;
    const std::size_t first = line.find(',');
    result.code = std::string(line.substr(0, first));
    if (first == std::string_view::npos)
        return result;
    const std::string_view rest = line.substr(first + 1);
    const std::size_t second = rest.find(',');
    result.colors.hex = static_cast<ColorRef>(AtoI32(rest.substr(0, second)));
    if (second != std::string_view::npos)
        result.colors.ascii = static_cast<ColorRef>(AtoI32(rest.substr(second + 1)));
    return result;
}

std::vector<ColorCodeLine> ReadColorCodeLines(std::istream& in)
{
    std::vector<ColorCodeLine> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r' && !in.eof())
            line.pop_back();
        lines.push_back(ParseColorCodeLine(line));
    }
    return lines;
}

std::vector<ColorCodeLine> ReadColorCodeLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return ReadColorCodeLines(in);
}

ColorCodeList ToColorCodeList(const std::vector<ColorCodeLine>& lines)
{
    ColorCodeList list;
    for (const ColorCodeLine& line : lines)
        list.Set(line.code, line.colors);
    return list;
}

ColorCodeList LoadColorCodes(const std::string& path)
{
    return ToColorCodeList(ReadColorCodeLines(path));
}

std::string FormatColorCodes(const ColorCodeList& list)
{
    std::string text;
    for (const auto& [code, colors] : list) {
        if (code.empty())
            continue;
        text += code;
        text += ',';
        text += std::to_string(static_cast<std::int32_t>(colors.hex));
        text += ',';
        text += std::to_string(static_cast<std::int32_t>(colors.ascii));
        text += "\r\n";
    }
    return text;
}

namespace {

// A colors.dat that is a symbolic link (say, into the user's own configuration) stays
// one: the link's target is replaced, not the link.
fs::path FileToReplace(const fs::path& path)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path target = fs::canonical(path, ec);
        if (!ec)
            return target;
    }
    return path;
}

fs::path TemporaryBeside(const fs::path& target)
{
    std::random_device random;
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
    fs::path temp = target;
    temp += suffix;
    return temp;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// What the old file looked like, to be given to its replacement.
struct OldFile {
    bool exists = false;
    struct stat info {};
};

OldFile StatOld(const fs::path& target)
{
    OldFile old;
    old.exists = ::stat(target.c_str(), &old.info) == 0 && S_ISREG(old.info.st_mode);
    return old;
}

// The temporary file, complete and on disk before it may take the old one's place: a
// rename of a file whose data is still in the cache can leave an empty file after a crash.
// Where this user may, it gets the old file's owner and group; the permissions always.
enum class TempResult { Written, CannotCreate, Failed };

TempResult WriteTemporary(const fs::path& temp, const std::string& text, const OldFile& old)
{
    // O_EXCL: never write into a file that happens to exist under the temporary name.
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return TempResult::CannotCreate;
    bool ok = WriteAll(fd, text);
    if (ok && old.exists) {
        // Changing the owner clears set-id bits, so the mode comes after it.
        if (::fchown(fd, old.info.st_uid, old.info.st_gid) != 0)
            (void)::fchown(fd, static_cast<uid_t>(-1), old.info.st_gid);
        ok = ::fchmod(fd, old.info.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    return ok ? TempResult::Written : TempResult::Failed;
}

// The fallback for a file this user may write in a folder they may not (a user's own
// colors.dat beside a program installed by root): the file itself is rewritten. Should
// the write fail half-way, the old text is put back, so the codes are never lost.
bool RewriteInPlace(const fs::path& target, const std::string& text)
{
    const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    std::string old;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (ok) {
        old.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (ok && done < old.size()) {
            const ssize_t n = ::pread(fd, old.data() + done, old.size() - done, static_cast<off_t>(done));
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            if (ok)
                done += static_cast<std::size_t>(n);
        }
    }
    const auto replaceWith = [fd](const std::string& content) {
        return ::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
    };
    if (ok && !replaceWith(text)) {
        (void)replaceWith(old);
        ok = false;
    }
    ok = ::close(fd) == 0 && ok;
    return ok;
}

} // namespace

bool SaveColorCodes(const std::string& path, const ColorCodeList& list)
{
    const fs::path target = FileToReplace(path);
    const std::string text = FormatColorCodes(list);
    const OldFile old = StatOld(target);
    std::error_code ec;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const fs::path temp = TemporaryBeside(target);
        if (fs::exists(fs::symlink_status(temp, ec)))
            continue;
        switch (WriteTemporary(temp, text, old)) {
        case TempResult::CannotCreate:
            // Most likely the folder is not writable; the file itself may still be.
            return old.exists && RewriteInPlace(target, text);
        case TempResult::Failed:
            fs::remove(temp, ec);
            return false;
        case TempResult::Written:
            break;
        }
        if (::rename(temp.c_str(), target.c_str()) != 0) {
            const int why = errno;
            fs::remove(temp, ec);
            // A sticky folder lets this user add files but not replace another's.
            return (why == EACCES || why == EPERM) && old.exists && RewriteInPlace(target, text);
        }
        return true;
    }
    return false;
}

std::string ColorCodesPath()
{
    std::error_code ec;
    const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (ec || !executable.has_parent_path())
        return "colors.dat";
    return (executable.parent_path() / "colors.dat").string();
}

std::string UserColorCodesPath()
{
    fs::path base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config && fs::path(config).is_absolute())
        base = config;
    else if (const char* home = std::getenv("HOME"); home && *home && fs::path(home).is_absolute())
        base = fs::path(home) / ".config";
    else
        return {};
    return (base / "Dunmerrow" / "colors.dat").string();
}

std::string ColorCodesPathToRead(const std::string& userPath, const std::string& installedPath)
{
    std::error_code ec;
    if (!userPath.empty() && fs::exists(userPath, ec))
        return userPath;
    return installedPath;
}

bool SaveUserColorCodes(const std::string& userPath, const ColorCodeList& list)
{
    if (userPath.empty())
        return false;
    const fs::path folder = fs::path(userPath).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec)
            return false;
        // Only the folder made here: one the user already has keeps its permissions.
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    }
    return SaveColorCodes(userPath, list);
}

} // namespace vtx
