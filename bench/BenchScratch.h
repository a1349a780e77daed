#pragma once
// A directory under /tmp for a bench program's large files, removed with everything in it
// when the program ends, on every way out.

// std
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <unistd.h>

namespace vtx::bench {

class ScratchDir
{
public:
    explicit ScratchDir(const std::string& prefix = "vantorix-bench")
    {
        std::string name = "/tmp/" + prefix + "-XXXXXX";
        if (!::mkdtemp(name.data()))
            throw std::runtime_error("cannot create a directory under /tmp");
        m_path = name;
    }
    ~ScratchDir() { std::filesystem::remove_all(m_path); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    [[nodiscard]] std::string File(const std::string& name) const { return m_path + "/" + name; }

    // A sparse file of the given size that starts with `head`: it takes no disk space, and
    // reads of the hole give zeros without touching the disk.
    [[nodiscard]] std::string Sparse(const std::string& name, std::int64_t size,
                                     const std::string& head = "B") const
    {
        const std::string path = File(name);
        std::ofstream(path, std::ios::binary).write(head.data(), static_cast<std::streamsize>(head.size()));
        std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));
        return path;
    }

private:
    std::string m_path;
};

} // namespace vtx::bench
