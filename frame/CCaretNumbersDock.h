#pragma once
// The Data Inspector: a dock window beside the document windows that shows the bytes at
// the active window's caret as signed and unsigned 8, 16, 32 and 64-bit integers, as 32 and
// 64-bit floats, in little- or big-endian order (a check box), and the caret's byte in
// binary. Each refresh reads at most eight bytes from the document; values that would run
// past the end of the file show "-".

#include "platform/FilePos.h"

#include <QDockWidget>

#include <array>
#include <cstdint>

class QCheckBox;
class QLabel;

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

    static const QString& BinaryRowName();

private:
    void ShowValues();

    QCheckBox* m_pBigEndian;
    QLabel* m_pOffset;
    // One row per value type, then the binary row.
    std::array<QLabel*, 11> m_values{};
    std::array<QLabel*, 11> m_names{};
    // The bytes last read, so that turning the check box reads nothing again.
    std::array<std::uint8_t, 8> m_bytes{};
    std::size_t m_nBytes = 0;
};

} // namespace vtx
