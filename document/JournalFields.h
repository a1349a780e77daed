#pragma once
// The little-endian fields the journal and the rollback record are written in, and the
// file helpers both use. Private to document/.

// this program
#include "platform/CFile.h"
#include "platform/FileIdentity.h"

// std
#include <cerrno>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vtx::journal_detail {

// No path is longer; a length field above this is damage, not data.
constexpr std::uint32_t kMaxPath = 1 << 16;

// Little-endian fields into a byte vector, and out of one without reading past its end.
class Writer
{
public:
    explicit Writer(std::vector<std::uint8_t>& out) : m_out(out) {}
    template <typename T> void Put(T value)
    {
        auto u = static_cast<std::make_unsigned_t<T>>(value);
        for (std::size_t i = 0; i < sizeof(T); ++i)
            m_out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
    }
    void Bytes(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        m_out.insert(m_out.end(), p, p + size);
    }

private:
    std::vector<std::uint8_t>& m_out;
};

class Reader
{
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_p(data), m_end(data + size) {}
    template <typename T> bool Get(T& value)
    {
        if (static_cast<std::size_t>(m_end - m_p) < sizeof(T))
            return false;
        std::make_unsigned_t<T> u = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            u |= static_cast<std::make_unsigned_t<T>>(static_cast<std::make_unsigned_t<T>>(m_p[i]) << (8 * i));
        value = static_cast<T>(u);
        m_p += sizeof(T);
        return true;
    }
    bool Bytes(std::vector<std::uint8_t>& out, std::uint64_t size)
    {
        if (static_cast<std::uint64_t>(m_end - m_p) < size)
            return false;
        out.assign(m_p, m_p + size);
        m_p += size;
        return true;
    }
    [[nodiscard]] std::size_t Left() const { return static_cast<std::size_t>(m_end - m_p); }
    [[nodiscard]] const std::uint8_t* Here() const { return m_p; }

private:
    const std::uint8_t* m_p;
    const std::uint8_t* m_end;
};

inline void PutIdentity(Writer& w, const FileIdentity& id)
{
    w.Put(id.device);
    w.Put(id.inode);
    w.Put(id.size);
    w.Put(id.mtimeNs);
    w.Put(id.ctimeNs);
}

inline bool GetIdentity(Reader& r, FileIdentity& id)
{
    return r.Get(id.device) && r.Get(id.inode) && r.Get(id.size) && r.Get(id.mtimeNs) && r.Get(id.ctimeNs);
}

inline bool GetPath(Reader& r, std::string& path)
{
    std::uint32_t size = 0;
    std::vector<std::uint8_t> bytes;
    if (!r.Get(size) || size > kMaxPath || !r.Bytes(bytes, size))
        return false;
    path.assign(bytes.begin(), bytes.end());
    return true;
}

inline void PutPath(Writer& w, const std::string& path)
{
    w.Put(static_cast<std::uint32_t>(path.size()));
    w.Bytes(path.data(), path.size());
}

inline bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, int& error)
{
    error = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = errno;
        ::close(fd);
        return false;
    }
    out.resize(static_cast<std::size_t>(st.st_size));
    const std::int64_t got = ReadFully(fd, out.data(), out.size(), 0);
    if (got < 0) {
        error = errno;
        ::close(fd);
        return false;
    }
    out.resize(static_cast<std::size_t>(got));
    ::close(fd);
    return true;
}

// Makes a new directory entry durable: the folder is synced after a create or a rename.
inline void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace vtx::journal_detail
