// Any bytes as colors.dat: reading must not fail, applying must finish and colour only
// what valid codes name, and saving then reading again must give the same list less the
// entry with the empty code text.
#include "colors/ColorCodesFile.h"
#include "colors/ColorTable.h"
#include "colors/ParseCodeRange.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

const std::filesystem::path& WorkDir()
{
    static const std::filesystem::path dir = [] {
        // Memory-backed when the system has it: every run writes and renames two files.
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        auto path = base / ("vantorix-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] { std::error_code ec; std::filesystem::remove_all(WorkDir(), ec); });
        return path;
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input = (WorkDir() / "input.dat").string();
    const std::string saved = (WorkDir() / "colors.dat").string();
    {
        std::FILE* file = std::fopen(input.c_str(), "wb");
        Check(file != nullptr);
        Check(std::fwrite(data, 1, size, file) == size);
        std::fclose(file);
    }

    const vtx::ColorCodeList list = vtx::LoadColorCodes(input);
    vtx::ColorTable table;
    table.Apply(list);
    bool anyValid = false;
    for (const auto& entry : list)
        anyValid = anyValid || vtx::ParseCodeRange(entry.first).IsValid();
    if (!anyValid) {
        for (int v = 0; v < 256; ++v)
            Check(table.Entry(static_cast<std::uint8_t>(v)) == vtx::ColorPair{});
    }

    Check(vtx::SaveColorCodes(saved, list));
    vtx::ColorCodeList expected = list;
    expected.Remove("");
    Check(vtx::LoadColorCodes(saved) == expected);
    return 0;
}
