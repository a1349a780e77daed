#include "colors/ColorCodesFile.h"

#include "colors/NumberText.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

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

bool WriteNewFile(const fs::path& path, const std::string& text)
{
    // "x": never write into a file that happens to exist under the temporary name.
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return written && flushed && closed;
}

} // namespace

bool SaveColorCodes(const std::string& path, const ColorCodeList& list)
{
    const fs::path target = FileToReplace(path);
    std::error_code ec;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const fs::path temp = TemporaryBeside(target);
        if (fs::exists(fs::symlink_status(temp, ec)))
            continue;
        if (!WriteNewFile(temp, FormatColorCodes(list))) {
            fs::remove(temp, ec);
            return false;
        }
        // Keep the permissions the user gave the old file.
        const fs::file_status old = fs::status(target, ec);
        if (!ec && fs::exists(old))
            fs::permissions(temp, old.permissions(), ec);
        fs::rename(temp, target, ec);
        if (ec) {
            fs::remove(temp, ec);
            return false;
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

} // namespace vtx
