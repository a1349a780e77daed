#pragma once
// Checksums of a range of the bytes a window shows, every algorithm in one pass over the
// bytes. No widgets: the dialog only shows the result.

// this program
#include "platform/FilePos.h"
#include "tools/progress/RangeScan.h"

// std
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vtx {

class CVantorixDoc;

enum class ChecksumAlgorithm { Crc32, Md5, Sha1, Sha256, Sha512, Sha3_256 };

inline constexpr std::array<ChecksumAlgorithm, 6> kAllChecksums = {
    ChecksumAlgorithm::Crc32,  ChecksumAlgorithm::Md5,    ChecksumAlgorithm::Sha1,
    ChecksumAlgorithm::Sha256, ChecksumAlgorithm::Sha512, ChecksumAlgorithm::Sha3_256,
};

// "CRC-32", "MD5", "SHA-1", "SHA-256", "SHA-512", "SHA3-256".
[[nodiscard]] const char* ChecksumName(ChecksumAlgorithm algorithm);

// One algorithm's running state. CRC-32 is zlib's; the hashes are libcrypto's.
class Hasher
{
public:
    explicit Hasher(ChecksumAlgorithm algorithm);
    ~Hasher();
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;
    Hasher(Hasher&&) noexcept;
    Hasher& operator=(Hasher&&) noexcept;

    void Update(const std::uint8_t* bytes, std::size_t count);
    // The value in lower-case hex, as the system's tools print it; once.
    [[nodiscard]] std::string HexDigest();
    [[nodiscard]] ChecksumAlgorithm Algorithm() const { return m_algorithm; }

private:
    struct Evp;
    ChecksumAlgorithm m_algorithm;
    std::uint32_t m_crc = 0;
    std::unique_ptr<Evp> m_evp;
};

struct ChecksumValue {
    ChecksumAlgorithm algorithm;
    std::string hex;
};

struct ChecksumOutcome {
    ScanResult scan;
    ByteRange range;
    // Filled only when the scan is Done.
    std::vector<ChecksumValue> values;
};

class ChecksumTool
{
public:
    explicit ChecksumTool(std::vector<ChecksumAlgorithm> algorithms = {kAllChecksums.begin(), kAllChecksums.end()});

    // Told the bytes done so far out of range.length, about every block; false stops the
    // run (Cancelled, no values). Called on the calling thread.
    using Progress = std::function<bool(FilePos done, FilePos total)>;
    // Each block is read once, through the document, on the calling thread; with several
    // algorithms and processors they are shared out over one hashing thread per processor
    // by their cost, and hash each block while the calling thread reads the next ones.
    ChecksumOutcome Compute(CVantorixDoc& doc, ByteRange range, const Progress& progress = {}) const;

    // How many bytes each block holds.
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

private:
    std::vector<ChecksumAlgorithm> m_algorithms;
};

// The share of the work each hashing thread gets: `costs[i]` is what item i costs, and each
// group (at most `workers`, never empty unless there is nothing to share) holds indices into
// it, so that the dearest group costs as little as it can (for up to ten items, the best
// split; beyond that each item in turn, dearest first, to the group with the least work).
[[nodiscard]] std::vector<std::vector<std::size_t>> BalanceByCost(const std::vector<double>& costs, std::size_t workers);
// What an algorithm costs on this machine: the processor seconds it took for a sample of
// 256 KiB, measured once per process (1.0 for one the crypto library does not offer).
[[nodiscard]] double ChecksumCost(ChecksumAlgorithm algorithm);

// "NAME  VALUE" lines, one per value, each ending in a line break.
[[nodiscard]] std::string ChecksumLines(const std::vector<ChecksumValue>& values);

} // namespace vtx
