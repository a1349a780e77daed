#include "ChecksumTool.h"

// this program
#include "document/CVantorixDoc.h"

// libraries
#include <openssl/evp.h>
#include <zlib.h>

// std
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>

namespace vtx {

const char* ChecksumName(ChecksumAlgorithm algorithm)
{
    switch (algorithm) {
    case ChecksumAlgorithm::Crc32: return "CRC-32";
    case ChecksumAlgorithm::Md5: return "MD5";
    case ChecksumAlgorithm::Sha1: return "SHA-1";
    case ChecksumAlgorithm::Sha256: return "SHA-256";
    case ChecksumAlgorithm::Sha512: return "SHA-512";
    case ChecksumAlgorithm::Sha3_256: return "SHA3-256";
    }
    return "";
}

struct Hasher::Evp {
    EVP_MD_CTX* context = nullptr;
    ~Evp() { EVP_MD_CTX_free(context); }
};

namespace {

const EVP_MD* Digest(ChecksumAlgorithm algorithm)
{
    switch (algorithm) {
    case ChecksumAlgorithm::Md5: return EVP_md5();
    case ChecksumAlgorithm::Sha1: return EVP_sha1();
    case ChecksumAlgorithm::Sha256: return EVP_sha256();
    case ChecksumAlgorithm::Sha512: return EVP_sha512();
    case ChecksumAlgorithm::Sha3_256: return EVP_sha3_256();
    case ChecksumAlgorithm::Crc32: break;
    }
    return nullptr;
}

std::string Hex(const unsigned char* bytes, std::size_t count)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace

Hasher::Hasher(ChecksumAlgorithm algorithm) : m_algorithm(algorithm)
{
    if (algorithm == ChecksumAlgorithm::Crc32) {
        m_crc = static_cast<std::uint32_t>(crc32_z(0, nullptr, 0));
        return;
    }
    m_evp = std::make_unique<Evp>();
    m_evp->context = EVP_MD_CTX_new();
    if (!m_evp->context)
        throw std::bad_alloc();
    // A library built without the algorithm (MD5 under a FIPS policy) cannot start it.
    if (EVP_DigestInit_ex(m_evp->context, Digest(algorithm), nullptr) != 1)
        throw std::runtime_error(std::string(ChecksumName(algorithm)) + " is not available in this system's crypto library");
}

Hasher::~Hasher() = default;
Hasher::Hasher(Hasher&&) noexcept = default;
Hasher& Hasher::operator=(Hasher&&) noexcept = default;

void Hasher::Update(const std::uint8_t* bytes, std::size_t count)
{
    if (m_algorithm == ChecksumAlgorithm::Crc32)
        m_crc = static_cast<std::uint32_t>(crc32_z(m_crc, bytes, count));
    else
        EVP_DigestUpdate(m_evp->context, bytes, count);
}

std::string Hasher::HexDigest()
{
    if (m_algorithm == ChecksumAlgorithm::Crc32) {
        const unsigned char bytes[4] = {static_cast<unsigned char>(m_crc >> 24), static_cast<unsigned char>(m_crc >> 16),
                                        static_cast<unsigned char>(m_crc >> 8), static_cast<unsigned char>(m_crc)};
        return Hex(bytes, 4);
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_evp->context, digest, &length);
    return Hex(digest, length);
}

ChecksumTool::ChecksumTool(std::vector<ChecksumAlgorithm> algorithms) : m_algorithms(std::move(algorithms)) {}

namespace {

// The blocks that the reading thread fills and every hashing thread reads once, in turn.
class BlockRing
{
public:
    static constexpr std::size_t kSlots = 4;

    explicit BlockRing(int readers) : m_nReaders(readers)
    {
        for (auto& slot : m_slots)
            slot.bytes.resize(ChecksumTool::kBlockBytes);
    }

    // Reading side: the next slot to fill, once every reader is done with it; null after Stop.
    std::vector<std::uint8_t>* NextToFill()
    {
        std::unique_lock lock(m_mutex);
        Slot& slot = m_slots[m_nPublished % kSlots];
        m_changed.wait(lock, [&] { return slot.pending == 0; });
        return &slot.bytes;
    }
    void Publish(std::size_t count)
    {
        {
            std::lock_guard lock(m_mutex);
            Slot& slot = m_slots[m_nPublished % kSlots];
            slot.count = count;
            slot.pending = m_nReaders;
            ++m_nPublished;
        }
        m_changed.notify_all();
    }
    // No more blocks; `abandon` makes the readers stop without finishing those they have.
    void Close(bool abandon)
    {
        {
            std::lock_guard lock(m_mutex);
            m_bClosed = true;
            m_bAbandoned = abandon;
        }
        m_changed.notify_all();
    }

    // Hashing side: feeds every published block, in order, to hasher until the ring closes.
    void Drain(Hasher& hasher)
    {
        std::uint64_t next = 0;
        for (;;) {
            Slot* slot = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_bAbandoned || m_nPublished > next || m_bClosed; });
                if (m_bAbandoned || m_nPublished == next)
                    return;
                slot = &m_slots[next % kSlots];
            }
            hasher.Update(slot->bytes.data(), slot->count);
            {
                std::lock_guard lock(m_mutex);
                --slot->pending;
            }
            m_changed.notify_all();
            ++next;
        }
    }

private:
    struct Slot {
        std::vector<std::uint8_t> bytes;
        std::size_t count = 0;
        int pending = 0;
    };
    std::array<Slot, kSlots> m_slots;
    const int m_nReaders;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_nPublished = 0;
    bool m_bClosed = false;
    bool m_bAbandoned = false;
};

} // namespace

ChecksumOutcome ChecksumTool::Compute(CVantorixDoc& doc, ByteRange range, const Progress& progress) const
{
    ChecksumOutcome outcome;
    outcome.range = range;
    std::vector<Hasher> hashers;
    hashers.reserve(m_algorithms.size());
    for (const ChecksumAlgorithm algorithm : m_algorithms)
        hashers.emplace_back(algorithm);

    const auto carryOn = [&](FilePos done) { return !progress || progress(done, range.length); };

    // One algorithm, or a range that takes a moment anyway: no threads.
    if (hashers.size() < 2 || range.length <= 2 * kBlockBytes) {
        outcome.scan = ScanRange(
            doc, range, kBlockBytes,
            [&](const std::uint8_t* bytes, std::size_t count) {
                for (Hasher& hasher : hashers)
                    hasher.Update(bytes, count);
                return true;
            },
            carryOn);
    } else {
        BlockRing ring(static_cast<int>(hashers.size()));
        std::vector<std::thread> threads;
        threads.reserve(hashers.size());
        for (Hasher& hasher : hashers)
            threads.emplace_back([&ring, &hasher] { ring.Drain(hasher); });
        FilePos done = 0;
        outcome.scan = {};
        try {
            while (done < range.length) {
                std::vector<std::uint8_t>* block = ring.NextToFill();
                const auto wanted = static_cast<std::size_t>(std::min<FilePos>(kBlockBytes, range.length - done));
                ScanResult read = ReadPresentedFully(doc, block->data(), wanted, range.first + done);
                if (!read.Done()) {
                    read.scanned += done;
                    outcome.scan = read;
                    break;
                }
                ring.Publish(wanted);
                done += wanted;
                if (done < range.length && !carryOn(done)) {
                    outcome.scan = {ScanEnd::Cancelled, done};
                    break;
                }
            }
            if (outcome.scan.Done())
                outcome.scan.scanned = done;
        } catch (...) {
            ring.Close(true);
            for (std::thread& thread : threads)
                thread.join();
            throw;
        }
        ring.Close(!outcome.scan.Done());
        for (std::thread& thread : threads)
            thread.join();
    }

    if (outcome.scan.Done())
        for (Hasher& hasher : hashers)
            outcome.values.push_back({hasher.Algorithm(), hasher.HexDigest()});
    return outcome;
}

std::string ChecksumLines(const std::vector<ChecksumValue>& values)
{
    std::string text;
    for (const ChecksumValue& value : values) {
        text += ChecksumName(value.algorithm);
        text += "  ";
        text += value.hex;
        text += '\n';
    }
    return text;
}

} // namespace vtx
