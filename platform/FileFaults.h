#pragma once
// A seam for the tests: failures that the file layer acts out as if the system had
// reported them, so that a read error, a full disk or a crash in the middle of a save can be
// tested on real files, at an exact byte, without timing. Nothing is armed in the program;
// a test arms a fault and clears it when it is done (ScopedFileFaults).

// this program
#include "platform/FilePos.h"

// std
#include <cstdint>
#include <string>

namespace vtx::FileFaults {

// Reads through CFile of the file opened as `path` that reach into [from, to) fail with
// `error`; a read that starts before `from` delivers the bytes up to it first, as a disk
// with a bad sector does.
void FailReads(const std::string& path, FilePos from, FilePos to, int error);
// After `bytes` more bytes have been written through CFile (to any file), writes fail with
// `error` (ENOSPC, EIO, EROFS); a write that crosses that point writes the bytes up to it.
void FailWritesAfter(std::uint64_t bytes, int error);
// After `bytes` more bytes have been written through CFile, the process ends at once
// (_exit with status 86), with the bytes up to that point in the file: a crash.
void CrashAfterWrittenBytes(std::uint64_t bytes);
inline constexpr int kCrashExitStatus = 86;
// Disarms every fault.
void Clear();

// For the file layer. Whether any fault is armed (one relaxed load on the hot path).
[[nodiscard]] bool Armed();
// How many of `count` bytes at `position` of `path` may be read before a fault; when that
// is 0, `error` is the errno to fail with.
[[nodiscard]] std::uint32_t ReadAllowance(const std::string& path, FilePos position, std::uint32_t count, int& error);
// How many of `count` bytes may be written before a fault; takes them from the budget. When
// fewer than count, the write fails after them with `error`, or the process ends (crash).
[[nodiscard]] std::uint64_t WriteAllowance(std::uint64_t count, int& error, bool& crash);
// Ends the process as a crash would.
[[noreturn]] void Crash();

} // namespace vtx::FileFaults

namespace vtx {

// Clears every fault when it goes, also when a test fails half-way.
class ScopedFileFaults
{
public:
    ScopedFileFaults() = default;
    ~ScopedFileFaults() { FileFaults::Clear(); }
    ScopedFileFaults(const ScopedFileFaults&) = delete;
    ScopedFileFaults& operator=(const ScopedFileFaults&) = delete;
};

} // namespace vtx
