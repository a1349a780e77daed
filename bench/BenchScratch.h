#pragma once
// A directory under /tmp for a bench program's large files, removed with everything in it
// when the program ends, on every way out.

// std
#include <cstdlib>
#include <filesystem>
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

private:
    std::string m_path;
};

} // namespace vtx::bench
