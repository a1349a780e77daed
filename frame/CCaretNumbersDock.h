#pragma once
// The Data Inspector: a dock window beside the document windows that shows the bytes at
// the active window's caret as signed and unsigned 8, 16, 32 and 64-bit integers, as 32 and
// 64-bit floats, in little- or big-endian order (a check box), and the caret's byte in
// binary. Each refresh reads at most eight bytes from the document; values that would run
// past the end of the file show "-", and values that reach a byte the file cannot give show
// "??", with the reason under the rows.

#include "platform/FilePos.h"
#include "view/CaretBytes.h"

#include <QDockWidget>

#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace vtx {

class CVantorixDoc;

class CCaretNumbersDock : public QDockWidget
{
    Q_OBJECT
public:
    explicit CCaretNumbersDock(QWidget* parent = nullptr);

    // Shows the values at position of doc; a null doc shows "-" everywhere.
    void ShowAt(CVantorixDoc* doc, FilePos position);

    [[nodiscard]] bool IsBigEndian() const;
    [[nodiscard]] QCheckBox* BigEndianBox() const { return m_pBigEndian; }
    // The value shown in a row, by the row's name ("Signed 16-bit", "Binary").
    [[nodiscard]] QString ValueText(const QString& name) const;
    // The line under the rows: why values are missing or a row cannot be typed into; empty
    // when there is nothing to say.
    [[nodiscard]] QString NoteText() const;

    static const QString& BinaryRowName();

    // Typing a value: a double click on an integer or float row (or F2 while the row has
    // the focus) opens its editor; Enter writes the value's bytes at the caret in the
    // shown byte order, as one undo step; Esc or leaving the editor drops it. A text that
    // is not a number or does not fit the row is refused with a message and nothing
    // changes. Rows past the end of the file or over a byte that cannot be read, and every
    // row of a view-only document, are not editable; trying says why on the note line.
    // The frame tells the dock which document is the active one; the dock keeps no pointer
    // to a document beyond one call.
    using DocumentSource = std::function<CVantorixDoc*()>;
    void SetDocumentSource(DocumentSource source) { m_documentSource = std::move(source); }
    // Opens the editor of the row with this name; false when the row is not editable now.
    bool BeginEdit(const QString& name);
    // The open editor, or null.
    [[nodiscard]] QLineEdit* Editor() const { return m_pEditor; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowValues();
    bool BeginEditRow(std::size_t row);
    // Why the row cannot be typed into now; empty when it can.
    [[nodiscard]] QString EditRefusal(std::size_t row) const;
    void SetNote(const QString& text);
    void CommitEdit();
    void EndEdit();

    QCheckBox* m_pBigEndian;
    QLabel* m_pOffset;
    QLabel* m_pNote;
    // One row per value type, then the binary row.
    std::array<QLabel*, 11> m_values{};
    std::array<QLabel*, 11> m_names{};
    // The bytes last read and where, so that turning the check box reads nothing again.
    CaretBytes m_caret;
    // Whether a document is shown, and whether it takes edits; what its read failure says.
    bool m_bHasDocument = false;
    bool m_bReadOnly = false;
    QString m_readFailure;
    DocumentSource m_documentSource;
    QLineEdit* m_pEditor = nullptr;
    std::size_t m_nEditRow = 0;
};

} // namespace vtx
