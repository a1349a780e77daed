#pragma once
// Helpers shared by the document's tests: documents opened on real temporary files, a view
// that records what the document asks of it, a search with given settings,
// a small tmpfs for full-disk cases, and this thread's write counters.

#include "document/CVantorixDoc.h"
#include "framework/CView.h"
#include "framework/MessageBox.h"
#include "support/TestDocuments.h"
#include "support/TestSupport.h"

#include <QByteArray>
#include <QDir>
#include <QString>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/fsuid.h>
#include <sys/mount.h>
#include <unistd.h>

namespace vtx::test {

// What the document presents at [position, position + count), read through ReadBytes.
inline QByteArray Presented(CVantorixDoc& doc, FilePos position, std::uint32_t count)
{
    QByteArray bytes(static_cast<int>(count), '\0');
    const std::int32_t n = doc.ReadBytes(reinterpret_cast<std::uint8_t*>(bytes.data()), count, position);
    bytes.resize(n < 0 ? 0 : n);
    return bytes;
}

inline QByteArray PresentedAll(CVantorixDoc& doc)
{
    QByteArray all;
    const FilePos length = doc.GetFileLength();
    for (FilePos p = 0; p < length; p += CVantorixDoc::kMaxRead)
        all += Presented(doc, p, static_cast<std::uint32_t>(std::min<FilePos>(CVantorixDoc::kMaxRead, length - p)));
    return all;
}

// A view that records GotoPosition ('G') and RepaintNow ('R') calls in order.
class RecordingView : public CView, public IDocumentPositionView
{
public:
    using CView::CView;
    void GotoPosition(FilePos position) override { calls.push_back({'G', position}); }
    void RepaintNow() override { calls.push_back({'R', 0}); }
    std::vector<std::pair<char, FilePos>> calls;
};

// The first match of the text at or after start, searched with these settings without
// wrapping (the pass Find Next makes from the caret); -1 when there is none or the search
// failed. A text that cannot be searched for is refused with a message box, as Find does.
inline std::int64_t FindFrom(CVantorixDoc& doc, const QString& text, FilePos start, SearchSettings settings)
{
    QString problem;
    const SearchPattern pattern = DocumentSearch::Encode(text, settings, problem);
    if (!problem.isEmpty()) {
        ShowMessageBox(problem);
        return -1;
    }
    return DocumentSearch(doc).ScanRange(pattern, start, kMaxFilePos, SearchDirection::Forward).position;
}

// Turns the edit journal on or off while it lives.
class ScopedJournalSetting
{
public:
    explicit ScopedJournalSetting(bool enabled) : m_previous(CVantorixDoc::JournalEnabled())
    {
        CVantorixDoc::SetJournalEnabled(enabled);
    }
    ~ScopedJournalSetting() { CVantorixDoc::SetJournalEnabled(m_previous); }
    ScopedJournalSetting(const ScopedJournalSetting&) = delete;
    ScopedJournalSetting& operator=(const ScopedJournalSetting&) = delete;

private:
    bool m_previous;
};

// A tmpfs of `bytes` mounted on a fresh directory, for honest "disk full" failures. Needs
// the right to mount; callers skip their test when Mounted() is false.
class SmallTmpfs
{
public:
    explicit SmallTmpfs(std::size_t bytes)
    {
        QDir().mkpath(m_dir.Path(QStringLiteral("mnt")));
        const std::string options = "size=" + std::to_string(bytes);
        m_mounted = ::mount("tmpfs", m_dir.StdPath(QStringLiteral("mnt")).c_str(), "tmpfs", 0,
                            options.c_str()) == 0;
    }
    ~SmallTmpfs()
    {
        if (m_mounted)
            ::umount(m_dir.StdPath(QStringLiteral("mnt")).c_str());
    }
    [[nodiscard]] bool Mounted() const { return m_mounted; }
    // Makes the file system read-only, as a write-protected medium is.
    [[nodiscard]] bool RemountReadOnly() const
    {
        return ::mount(nullptr, m_dir.StdPath(QStringLiteral("mnt")).c_str(), nullptr, MS_REMOUNT | MS_RDONLY,
                       nullptr) == 0;
    }
    [[nodiscard]] QString Path(const QString& name) const { return m_dir.Path(QStringLiteral("mnt/") + name); }
    // Writes zeros to name until the file system refuses more.
    void FillUp(const QString& name) const
    {
        std::ofstream out(Path(name).toStdString(), std::ios::binary);
        const std::vector<char> block(4096, '\0');
        while (out.write(block.data(), static_cast<std::streamsize>(block.size())))
            out.flush();
    }

private:
    TempDir m_dir;
    bool m_mounted = false;
};

// While it lives, this thread meets file permissions as the user nobody when it runs as
// root (root may read and write anything); otherwise the test already runs as a normal user.
class AsNobody
{
public:
    AsNobody()
    {
        if (::geteuid() == 0) {
            m_previousGid = ::setfsgid(65534);
            m_previousUid = ::setfsuid(65534);
            m_bSwitched = true;
        }
    }
    ~AsNobody()
    {
        if (m_bSwitched) {
            ::setfsuid(m_previousUid);
            ::setfsgid(m_previousGid);
        }
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

private:
    int m_previousUid = 0;
    int m_previousGid = 0;
    bool m_bSwitched = false;
};

// AddressSanitizer makes write calls of its own (it probes memory through a pipe), so the
// counters below are exact only without it.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kExactWriteCounters = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kExactWriteCounters = false;
#else
inline constexpr bool kExactWriteCounters = true;
#endif
#else
inline constexpr bool kExactWriteCounters = true;
#endif

// This thread's write system calls and bytes written so far.
struct WriteCounters {
    std::uint64_t calls = 0;
    std::uint64_t bytes = 0;
};

inline WriteCounters ThreadWrites()
{
    WriteCounters counters;
    std::ifstream io("/proc/thread-self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "wchar:")
            counters.bytes = value;
        else if (key == "syscw:")
            counters.calls = value;
    }
    return counters;
}

} // namespace vtx::test
