#pragma once
// The display settings dialog (template 137): bytes per line, group size and the three
// spacings (in characters) of one hex view, and the choices every view shares: the font,
// picked among the fixed-pitch ones, and whether coded colours are kept readable.

// this program
#include "framework/ModalRunner.h"

// Qt
#include <QDialog>
#include <QFont>

// std
#include <array>
#include <functional>
#include <map>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vtx {

class CDisplaySettingsDlg : public QDialog, public ModalRunnable<CDisplaySettingsDlg>
{
    Q_OBJECT
public:
    static constexpr int IDD = 137;
    static constexpr int IDC_GROUP_SIZE = 1001;
    static constexpr int IDC_ADDRESS_SPACE = 1002;
    static constexpr int IDC_GROUP_SPACE = 1003;
    static constexpr int IDC_ASCII_SPACE = 1004;
    static constexpr int IDC_BYTES_PER_LINE = 1005;

    explicit CDisplaySettingsDlg(QWidget* parent = nullptr);

    // Fills the boxes from the members, runs the dialog and returns QDialog::Accepted or
    // QDialog::Rejected.
    int DoModal();

    // false: the boxes' texts go into the members, with validation: a failure shows its
    // message, selects the box and returns false. true is the other direction.
    bool DoDataExchange(bool saveAndValidate);
    // Validates once and closes with the OK result when the boxes are good.
    void OnOK();

    [[nodiscard]] QLineEdit* Edit(int id) const;

    // The font picker: gets the current font, returns the choice or nothing (cancelled).
    // Tests put their own answer here; empty: QFontDialog with fixed-pitch fonts only.
    using FontPicker = std::function<std::optional<QFont>(const QFont& current, QWidget* parent)>;
    static void SetFontPicker(FontPicker picker);
    // "Font..." and "Default Font" do this.
    void OnChooseFont();
    void OnDefaultFont();
    [[nodiscard]] QLabel* FontLabel() const { return m_pFontLabel; }
    [[nodiscard]] QCheckBox* ContrastCheck() const { return m_pContrast; }

    int m_nDlgBytesPerLine = 0;
    int m_nDlgGroupSize = 0;
    int m_nDlgAddressSpace = 0;
    int m_nDlgGroupSpace = 0;
    int m_nDlgAsciiSpace = 0;
    // The font chosen (nothing: the program's own), the font the view shows now (for the
    // label and as the picker's start), and whether colours are kept readable.
    std::optional<QFont> m_dlgFont;
    QFont m_shownFont;
    bool m_bDlgMinimumContrast = true;

    // Spacings are whole characters; more than this is no layout anyone reads.
    static constexpr int kMaxSpaceChars = 64;

private:
    // The five spacing boxes with their labels; the font's caption, name and two buttons.
    void BuildSpacingRows();
    std::array<QPushButton*, 2> BuildFontRow();
    void ShowFont();

    std::map<int, QLineEdit*> m_edits;
    QLabel* m_pFontLabel = nullptr;
    QCheckBox* m_pContrast = nullptr;
};

} // namespace vtx
