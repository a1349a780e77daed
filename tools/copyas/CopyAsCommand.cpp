#include "CopyAsCommand.h"

// this program
#include "document/CVantorixDoc.h"
#include "framework/MessageBox.h"
#include "tools/progress/ProgressRun.h"
#include "tools/progress/RangeScan.h"

// Qt
#include <QClipboard>
#include <QGuiApplication>

// std
#include <new>

namespace vtx {

bool RunCopyAsCommand(QWidget* parent, CVantorixDoc& doc, ByteRange range, CopyAsFormat format)
{
    if (range.Empty())
        return false;
    if (range.length > kMaxCopyBytes) {
        ShowMessageBox(QStringLiteral("The selection is too large to copy: at most 256 MiB can be copied at once. "
                                      "Save Selection As writes any selection to a file."));
        return false;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        ShowMessageBox(QStringLiteral("Failed To Open Clipboard"));
        return false;
    }
    try {
        CopyAsWriter writer(format, range.first, range.length);
        ScanResult scan;
        {
            ProgressRun run(parent, QStringLiteral("Copying the selection..."));
            scan = ScanRange(
                doc, range, CVantorixDoc::kMaxRead * 16,
                [&writer](const std::uint8_t* bytes, std::size_t count) {
                    writer.Append(bytes, count);
                    return true;
                },
                [&run, &range](FilePos done) { return run.Step(done, range.length); });
            if (!run.Finish() && scan.Done())
                scan.end = ScanEnd::Cancelled;
        }
        switch (scan.end) {
        case ScanEnd::Cancelled: return false;
        case ScanEnd::ReadFailed: ShowMessageBox(doc.ReadFailureText(scan.failedAt, scan.error)); return false;
        case ScanEnd::Done: break;
        }
        const std::string text = writer.Finish();
        clipboard->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
        return true;
    } catch (const std::bad_alloc&) {
        ShowMessageBox(QStringLiteral("There is not enough memory to copy the selection."));
        return false;
    }
}

} // namespace vtx
