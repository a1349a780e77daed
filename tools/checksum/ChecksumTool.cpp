#include "ChecksumTool.h"

// this program
#include "document/CVantorixDoc.h"

// libraries
#include <openssl/evp.h>
#include <zlib.h>

// std
#include <algorithm>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>

#include <sched.h>
#include <time.h>

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

// Processor time this thread has used: a measurement that other programs running at the
// same moment do not disturb.
double ThreadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
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

// Tries every way to share out order[next...] among the groups, dearest items first, and
// keeps the best in `bestOwner`; a branch whose dearest group already costs as much as the
// best found so far is cut off. For the few algorithms there are this is instant; past
// kExactItems each item simply goes to the group with the least work so far.
struct CostSharing {
    static constexpr std::size_t kExactItems = 10;

    const std::vector<double>& costs;
    std::vector<std::size_t> order;
    std::vector<double> load;
    std::vector<std::size_t> members;
    std::vector<std::size_t> owner;
    std::vector<std::size_t> bestOwner;
    double best = std::numeric_limits<double>::infinity();

    void Try(std::size_t next, double dearest)
    {
        if (dearest >= best)
            return;
        if (next == order.size()) {
            best = dearest;
            bestOwner = owner;
            return;
        }
        const std::size_t item = order[next];
        const bool greedy = order.size() > kExactItems;
        const auto lightest = static_cast<std::size_t>(std::min_element(load.begin(), load.end()) - load.begin());
        for (std::size_t group = greedy ? lightest : 0; group < load.size(); ++group) {
            load[group] += costs[item];
            ++members[group];
            owner[item] = group;
            Try(next + 1, std::max(dearest, load[group]));
            --members[group];
            load[group] -= costs[item];
            // Groups still empty are alike: trying the first of them is enough.
            if (greedy || members[group] == 0)
                break;
        }
    }
};

} // namespace

std::vector<std::vector<std::size_t>> BalanceByCost(const std::vector<double>& costs, std::size_t workers)
{
    const std::size_t count = std::max<std::size_t>(1, std::min(workers, costs.size()));
    CostSharing sharing{costs, {}, std::vector<double>(count, 0.0), std::vector<std::size_t>(count, 0),
                        std::vector<std::size_t>(costs.size(), 0), {}};
    for (std::size_t i = 0; i < costs.size(); ++i)
        sharing.order.push_back(i);
    std::stable_sort(sharing.order.begin(), sharing.order.end(), [&](std::size_t a, std::size_t b) { return costs[a] > costs[b]; });
    sharing.Try(0, 0.0);
    std::vector<std::vector<std::size_t>> groups(count);
    for (std::size_t item = 0; item < sharing.bestOwner.size(); ++item)
        groups[sharing.bestOwner[item]].push_back(item);
    return groups;
}

double ChecksumCost(ChecksumAlgorithm algorithm)
{
    // Measured once, on this machine: its hash instructions make SHA-256 the cheapest of the
    // hashes on one processor and among the dearest on another.
    static const std::array<double, kAllChecksums.size()> costs = [] {
        std::array<double, kAllChecksums.size()> measured{};
        std::vector<std::uint8_t> sample(std::size_t{256} << 10);
        for (std::size_t i = 0; i < sample.size(); ++i)
            sample[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
        for (std::size_t i = 0; i < kAllChecksums.size(); ++i) {
            measured[i] = 1.0;
            try {
                Hasher hasher(kAllChecksums[i]);
                hasher.Update(sample.data(), sample.size() / 8); // warm
                const double start = ThreadCpuSeconds();
                hasher.Update(sample.data(), sample.size());
                measured[i] = std::max(1e-9, ThreadCpuSeconds() - start);
            } catch (const std::exception&) {
                // Not available here: Compute will say so.
            }
        }
        return measured;
    }();
    return costs[static_cast<std::size_t>(algorithm)];
}

namespace {

// The blocks that the reading thread fills and every hashing thread reads once, in turn.
class BlockRing
{
public:
    // Enough that a hashing thread running a little behind the other does not hold up the
    // reading.
    static constexpr std::size_t kSlots = 8;

    explicit BlockRing(int readers) : m_nReaders(readers)
    {
        for (auto& slot : m_slots)
            slot.bytes.resize(ChecksumTool::kBlockBytes);
    }

    // Reading side: the next slot to fill, once every hashing thread is done with it.
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
    // No more blocks; `abandon` makes the hashing threads stop without finishing those
    // they have.
    void Close(bool abandon)
    {
        {
            std::lock_guard lock(m_mutex);
            m_bClosed = true;
            m_bAbandoned = abandon;
        }
        m_changed.notify_all();
    }

    // Hashing side: feeds every published block, in order, to each of the hashers until
    // the ring closes. A block goes to them a piece at a time, so that each piece is still
    // in the processor's cache when the next hasher reads it.
    void Drain(const std::vector<Hasher*>& hashers)
    {
        constexpr std::size_t kPiece = std::size_t{64} << 10;
        for (std::uint64_t next = 0;; ++next) {
            Slot* slot = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_bAbandoned || m_nPublished > next || m_bClosed; });
                if (m_bAbandoned || m_nPublished == next)
                    return;
                slot = &m_slots[next % kSlots];
            }
            for (std::size_t at = 0; at < slot->count; at += kPiece)
                for (Hasher* hasher : hashers)
                    hasher->Update(slot->bytes.data() + at, std::min(kPiece, slot->count - at));
            bool freed = false;
            {
                std::lock_guard lock(m_mutex);
                freed = --slot->pending == 0;
            }
            if (freed)
                m_changed.notify_all();
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

using CarryOn = std::function<bool(FilePos done)>;

// Reads the range block by block into the ring, on the calling thread, until it is all
// read, a read fails or carryOn says stop.
ScanResult ReadIntoRing(CVantorixDoc& doc, ByteRange range, BlockRing& ring, const CarryOn& carryOn)
{
    FilePos done = 0;
    while (done < range.length) {
        std::vector<std::uint8_t>* block = ring.NextToFill();
        const auto wanted = static_cast<std::size_t>(std::min<FilePos>(ChecksumTool::kBlockBytes, range.length - done));
        ScanResult read = ReadPresentedFully(doc, block->data(), wanted, range.first + done);
        if (!read.Done()) {
            read.scanned += done;
            return read;
        }
        ring.Publish(wanted);
        done += wanted;
        if (done < range.length && !carryOn(done))
            return {ScanEnd::Cancelled, done};
    }
    return {ScanEnd::Done, done};
}

// How many threads hash at once: one per processor this process may run on.
std::size_t HashingThreads()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof(allowed), &allowed) == 0)
        return static_cast<std::size_t>(std::max(1, CPU_COUNT(&allowed)));
    return std::max(1u, std::thread::hardware_concurrency());
}

// The hashers shared out over the processors by their cost, each share hashed on a thread of
// its own while the calling thread reads ahead.
ScanResult HashOnThreads(CVantorixDoc& doc, ByteRange range, std::vector<Hasher>& hashers, const CarryOn& carryOn)
{
    std::vector<double> costs;
    for (const Hasher& hasher : hashers)
        costs.push_back(ChecksumCost(hasher.Algorithm()));
    std::vector<std::vector<Hasher*>> shares;
    for (const std::vector<std::size_t>& group : BalanceByCost(costs, HashingThreads())) {
        shares.emplace_back();
        for (const std::size_t index : group)
            shares.back().push_back(&hashers[index]);
    }
    BlockRing ring(static_cast<int>(shares.size()));
    std::vector<std::thread> threads;
    threads.reserve(shares.size());
    const auto stop = [&](bool abandon) {
        ring.Close(abandon);
        for (std::thread& thread : threads)
            thread.join();
    };
    ScanResult scan;
    try {
        for (const std::vector<Hasher*>& share : shares)
            threads.emplace_back([&ring, &share] { ring.Drain(share); });
        scan = ReadIntoRing(doc, range, ring, carryOn);
    } catch (...) {
        stop(true);
        throw;
    }
    stop(!scan.Done());
    return scan;
}

} // namespace

ChecksumOutcome ChecksumTool::Compute(CVantorixDoc& doc, ByteRange range, const Progress& progress) const
{
    ChecksumOutcome outcome;
    outcome.range = range;
    std::vector<Hasher> hashers;
    hashers.reserve(m_algorithms.size());
    for (const ChecksumAlgorithm algorithm : m_algorithms)
        hashers.emplace_back(algorithm);

    const CarryOn carryOn = [&](FilePos done) { return !progress || progress(done, range.length); };
    // One algorithm, one processor, or a range that takes a moment anyway: no threads.
    if (hashers.size() < 2 || range.length <= 2 * kBlockBytes || HashingThreads() < 2) {
        const auto hashAll = [&](const std::uint8_t* bytes, std::size_t count) {
            for (Hasher& hasher : hashers)
                hasher.Update(bytes, count);
            return true;
        };
        outcome.scan = ScanRange(doc, range, kBlockBytes, hashAll, carryOn);
    } else {
        outcome.scan = HashOnThreads(doc, range, hashers, carryOn);
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
