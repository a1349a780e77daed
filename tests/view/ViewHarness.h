#pragma once
// What the view tests share: a main frame that records what the view tells it, a view that
// counts the rows it reads, and a harness that opens a real temporary file in a real
// document and shows a view of it as a top-level window.

// this program
#include "document/CVantorixDoc.h"
#include "support/TestSupport.h"
#include "view/CVantorixView.h"
#include "view/IMainFrameServices.h"

// Qt
#include <QImage>
#include <QKeyEvent>
#include <QTest>

// std
#include <memory>
#include <utility>
#include <vector>

namespace vtx::test {

class FakeFrame final : public IMainFrameServices
{
public:
    FakeFrame()
    {
        SetMainFrameServices(this);
    }
    ~FakeFrame() override
    {
        SetMainFrameServices(nullptr);
    }
    FakeFrame(const FakeFrame&) = delete;
    FakeFrame& operator=(const FakeFrame&) = delete;

    const ColorTable& GetColorTable() const override { return colors; }
    QString GetSearchText() const override { return searchText; }
    SearchType GetSearchType() const override { return searchType; }
    bool GetMatchCase() const override { return matchCase; }
    bool IsSigned() const override { return false; }
    void ShowCaretInfo(FilePos offset, std::uint8_t value, int) override { caretInfo.emplace_back(offset, value); }
    void ShowCaretUnreadable(FilePos offset, int) override { unreadableCarets.push_back(offset); }
    void SetStatusText(const QString& text) override { statusTexts.push_back(text); }
    void SetOverwriteIndicator(bool on) override { overwrite.push_back(on); }
    void ShowCaretPosition(const QString& text) override { caretPosition = text; }

    [[nodiscard]] QString LastStatus() const { return statusTexts.isEmpty() ? QString() : statusTexts.back(); }

    ColorTable colors;
    QString searchText;
    SearchType searchType = SearchType::Ascii;
    bool matchCase = true;
    std::vector<std::pair<FilePos, std::uint8_t>> caretInfo;
    std::vector<FilePos> unreadableCarets;
    QStringList statusTexts;
    std::vector<bool> overwrite;
    QString caretPosition;
};

// Counts the rows the view reads for drawing.
class CountingView final : public CVantorixView
{
public:
    using CVantorixView::CVantorixView;
    std::vector<FilePos> reads;

protected:
    std::int32_t ReadRow(std::uint8_t* buffer, std::uint32_t count, FilePos position) override
    {
        reads.push_back(position);
        return CVantorixView::ReadRow(buffer, count, position);
    }
};

// A sparse file: zeros except the pieces written at their offsets.
struct SparseFile {
    std::uint64_t size = 0;
    std::vector<std::pair<std::uint64_t, QByteArray>> pieces;
};

// A file made by the test itself, somewhere the harness's own directory cannot hold it.
struct ExistingFile {
    QString path;
};

// A file the user may only read; the harness answers Yes to viewing it.
struct ViewOnlyFile {
    QByteArray bytes;
};

class ViewHarness
{
public:
    // A view on a file holding bytes, `rows` lines of the view's line height tall plus
    // half a line, 900 pixels wide.
    explicit ViewHarness(const QByteArray& bytes, int rows = 10, bool show = true);
    explicit ViewHarness(const SparseFile& file, int rows = 10, bool show = true);
    explicit ViewHarness(const ViewOnlyFile& file, int rows = 10);
    explicit ViewHarness(const ExistingFile& file, int rows = 10);
    ~ViewHarness();
    ViewHarness(const ViewHarness&) = delete;
    ViewHarness& operator=(const ViewHarness&) = delete;

    [[nodiscard]] CountingView& View() { return *m_view; }
    [[nodiscard]] CVantorixDoc& Doc() { return *m_doc; }
    [[nodiscard]] FakeFrame& Frame() { return m_frame; }
    [[nodiscard]] const QString& Path() const { return m_path; }

    // Window point inside a cell of a window row (0 = top of the window, scroll aligned).
    [[nodiscard]] QPoint CellPoint(int column, int windowRow, bool hex) const;
    [[nodiscard]] QRect CellRect(int column, int windowRow, bool hex) const;
    [[nodiscard]] int CellLeft(int column, bool hex) const;

    void Click(QPoint point);
    // Left button down at from, one move to each of via and to, button up at to.
    void Drag(QPoint from, QPoint to, const std::vector<QPoint>& via = {});
    void Mouse(QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons);
    void Wheel(int angleDeltaY, int pixelDeltaY = 0);
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Types text as the keyboard would: one key press per character.
    void Type(const QString& text);
    // Paints everything that is pending, then forgets the reads so far.
    void Settle();
    // What the window shows right now, as painted so far (not repainted for the asking).
    [[nodiscard]] QImage ScreenImage();
    [[nodiscard]] QImage Grab();

    // The byte the document presents at position.
    [[nodiscard]] std::uint8_t ByteAt(FilePos position) { return m_doc->GetByte(position); }

private:
    void Open(int rows, bool show);

    TempDir m_dir;
    FakeFrame m_frame;
    QString m_path;
    std::unique_ptr<CVantorixDoc> m_doc;
    std::unique_ptr<CountingView> m_view;
};

QString MakeSparseFile(const QString& path, const SparseFile& file);

// Bytes 0, 1, 2, ... wrapping at 256.
[[nodiscard]] QByteArray Counting(int size);

} // namespace vtx::test
