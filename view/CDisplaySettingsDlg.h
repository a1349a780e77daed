#pragma once
// The display settings dialog (template 137): bytes per line and group size of one hex
// view. The three spacing boxes below them open empty and change nothing.

// Qt
#include <QDialog>

// std
#include <functional>
#include <map>

class QLineEdit;

namespace vtx {

class CDisplaySettingsDlg : public QDialog
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

    // Instead of running the dialog modally, DoModal hands it to this runner (tests drive
    // the dialog through it and return its result). Empty: run modally.
    using ModalRunner = std::function<int(CDisplaySettingsDlg&)>;
    static void SetModalRunner(ModalRunner runner);

    int m_nDlgBytesPerLine = 0;
    int m_nDlgGroupSize = 0;

private:
    std::map<int, QLineEdit*> m_edits;
};

} // namespace vtx
