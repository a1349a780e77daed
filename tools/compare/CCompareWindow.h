#pragma once
// The compare window: two hex views side by side in the main window's MDI area, each under
// its file's title, scrolled together. Every byte that differs from the byte at the same
// offset of the other file is drawn on the difference background in both views; F6 and
// Shift+F6 select the next and previous run of differing bytes in both.

// this program
#include "platform/FilePos.h"
#include "tools/compare/CompareTool.h"

// Qt
#include <QColor>
#include <QMdiSubWindow>
#include <QPointer>

// std
#include <array>
#include <optional>
#include <cstdint>
#include <vector>

class QLabel;
class QMdiArea;
class QPalette;

namespace vtx {

class CDocManager;
class CVantorixDoc;
class CVantorixView;

// The background of a differing byte: a warm tint of the view's background that keeps the
// uncoded text readable (at least 4.5 to 1) on light and dark palettes alike.
[[nodiscard]] QColor DifferenceBackground(const QPalette& palette);

class CCompareWindow : public QMdiSubWindow
{
    Q_OBJECT
public:
    // The commands the main frame adds for comparing.
    static constexpr int ID_FILE_COMPARE = 32970;
    static constexpr int ID_NEXT_DIFFERENCE = 32971;
    static constexpr int ID_PREVIOUS_DIFFERENCE = 32972;

    // What closing the window does to the second document: `closeSecond` when it was
    // opened only for this comparison (it is closed again unless its own window was shown
    // meanwhile). `manager` tells when either document goes away.
    CCompareWindow(CVantorixDoc& first, CVantorixDoc& second, bool closeSecond, CDocManager* manager);
    ~CCompareWindow() override;

    // File > Compare With: the file at path, found among the open documents by its
    // canonical path or else opened view-only for this window alone, is compared with
    // `first` in a new window in `area`, whose first view gets the focus. Comparing a
    // file with itself is refused with a message; a file that cannot be opened says why
    // as Open does. Null when no window was made.
    static CCompareWindow* Open(CVantorixDoc& first, const QString& path, CDocManager& manager, QMdiArea& area);
    static constexpr const char* kSameFileText = "A file cannot be compared with itself.";

    [[nodiscard]] CVantorixView* FirstView() const { return m_views[0]; }
    [[nodiscard]] CVantorixView* SecondView() const { return m_views[1]; }
    // The view that has, or last had, the keyboard focus.
    [[nodiscard]] CVantorixView* ActiveView() const;
    [[nodiscard]] QLabel* TitleLabel(int side) const { return m_titles[static_cast<std::size_t>(side)]; }

    // F6 and Shift+F6: from the focused view's selection (or caret), the next or previous
    // run of differing bytes is selected in both views and told in the status bar.
    void NextDifference();
    void PreviousDifference();

    // Both views drawn again now: their documents may have changed elsewhere.
    void RefreshDifferences();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The bytes of one document around the rows a view draws, read once per paint.
    struct OtherBytes {
        FilePos start = 0;
        std::vector<std::uint8_t> bytes;
        bool valid = false;
        bool failed = false;
    };
    // Whether the byte `value` shown at position by view `side` differs from the other
    // file's byte there; nullopt for an equal byte (or one that cannot be read).
    std::optional<QColor> DifferenceAt(int side, FilePos position, std::uint8_t value);
    void Step(bool forward);
    // The next or previous run of differing bytes from `from`, with progress and Esc; the
    // window may be gone when it returns.
    CompareOutcome ScanForDifference(CVantorixDoc& first, CVantorixDoc& second, bool forward, FilePos from);
    // Selects the run in both views, or says why there is none.
    void ShowOutcome(const CompareOutcome& outcome, CVantorixView& active, CVantorixView& other);
    void UpdateTitles();
    void FollowScroll(int side, std::uint64_t row);
    void OnDocumentsChanged();
    void ReleaseDocuments();

    std::array<CVantorixView*, 2> m_views{};
    std::array<QLabel*, 2> m_titles{};
    std::array<OtherBytes, 2> m_other{};
    std::array<QColor, 2> m_colors{};
    QPointer<CDocManager> m_manager;
    CVantorixDoc* m_second = nullptr;
    bool m_bCloseSecond = false;
    bool m_bFollowing = false;
    bool m_bReleased = false;
    bool m_bBusy = false;
    int m_nActiveSide = 0;
};

} // namespace vtx
