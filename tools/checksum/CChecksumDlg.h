#pragma once
// The checksums of a range, shown: the range and its length, one selectable line per
// algorithm, and a button that copies them all as "NAME  VALUE" lines.

// this program
#include "framework/ModalRunner.h"
#include "tools/checksum/ChecksumTool.h"

// Qt
#include <QDialog>

// std
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vtx {

class CChecksumDlg : public QDialog, public ModalRunnable<CChecksumDlg>
{
    Q_OBJECT
public:
    CChecksumDlg(const ChecksumOutcome& outcome, bool wholeDocument, QWidget* parent = nullptr);

    [[nodiscard]] QString RangeText() const;
    [[nodiscard]] QLineEdit* ValueEdit(ChecksumAlgorithm algorithm) const;
    [[nodiscard]] QPushButton* CopyButton() const { return m_pCopy; }
    // Puts every value on the clipboard as "NAME  VALUE" lines.
    void CopyAll();
    // Shows the values until the user closes the dialog (a test's runner plays the user).
    void DoModal() { (void)RunModal(); }

private:
    std::vector<ChecksumValue> m_values;
    QLabel* m_pRange = nullptr;
    std::vector<std::pair<ChecksumAlgorithm, QLineEdit*>> m_edits;
    QPushButton* m_pCopy = nullptr;
};

// The Checksum command: the checksums of the selection, or of the whole document when
// there is none, computed with progress (Esc stops it without a result) and shown in the
// dialog; a read error is told with its place and reason. The dialog is modal (tests give
// CChecksumDlg a modal runner).
void RunChecksumCommand(QWidget* parent, CVantorixDoc& doc, std::optional<ByteRange> selection);

} // namespace vtx
