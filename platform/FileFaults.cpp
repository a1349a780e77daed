#include "FileFaults.h"

// std
#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include <unistd.h>

namespace vtx::FileFaults {

namespace {

struct ReadFault {
    std::string path;
    FilePos from = 0;
    FilePos to = 0;
    int error = 0;
};

struct WriteFault {
    std::uint64_t budget = 0;
    int error = 0;
    bool crash = false;
};

struct Faults {
    std::mutex lock;
    std::vector<ReadFault> reads;
    std::optional<WriteFault> write;
};

std::atomic<bool> g_armed{false};

Faults& State()
{
    static Faults faults;
    return faults;
}

void Rearm(Faults& faults)
{
    g_armed.store(!faults.reads.empty() || faults.write.has_value(), std::memory_order_relaxed);
}

} // namespace

void FailReads(const std::string& path, FilePos from, FilePos to, int error)
{
    Faults& faults = State();
    const std::lock_guard guard(faults.lock);
    faults.reads.push_back({path, from, to, error});
    Rearm(faults);
}

void FailWritesAfter(std::uint64_t bytes, int error)
{
    Faults& faults = State();
    const std::lock_guard guard(faults.lock);
    faults.write = WriteFault{bytes, error, false};
    Rearm(faults);
}

void CrashAfterWrittenBytes(std::uint64_t bytes)
{
    Faults& faults = State();
    const std::lock_guard guard(faults.lock);
    faults.write = WriteFault{bytes, 0, true};
    Rearm(faults);
}

void Clear()
{
    Faults& faults = State();
    const std::lock_guard guard(faults.lock);
    faults.reads.clear();
    faults.write.reset();
    Rearm(faults);
}

bool Armed()
{
    return g_armed.load(std::memory_order_relaxed);
}

std::uint32_t ReadAllowance(const std::string& path, FilePos position, std::uint32_t count, int& error)
{
    Faults& faults = State();
    const std::lock_guard guard(faults.lock);
    std::uint32_t allowed = count;
    for (const ReadFault& fault : faults.reads) {
        if (fault.path != path || position >= fault.to || position + count <= fault.from)
            continue;
        if (position >= fault.from) {
            error = fault.error;
            return 0;
        }
        allowed = std::min<std::uint32_t>(allowed, static_cast<std::uint32_t>(fault.from - position));
    }
    return allowed;
}

std::uint64_t WriteAllowance(std::uint64_t count, int& error, bool& crash)
{
    Faults& faults = State();
    const std::lock_guard guard(faults.lock);
    crash = false;
    if (!faults.write)
        return count;
    WriteFault& fault = *faults.write;
    const std::uint64_t allowed = std::min(count, fault.budget);
    fault.budget -= allowed;
    if (allowed < count) {
        error = fault.error;
        crash = fault.crash;
    }
    return allowed;
}

void Crash()
{
    ::_exit(kCrashExitStatus);
}

} // namespace vtx::FileFaults
