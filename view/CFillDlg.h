#pragma once
// Fill Selection's dialog: asks for the pattern, as hex digits, that fills the selected
// bytes. It only asks; the document checks the pattern and makes the fill.

// this program
#include "framework/ModalRunner.h"
#include "platform/FilePos.h"

// Qt
#include <QDialog>

class QLineEdit;

namespace vtx {

class CFillDlg : public QDialog, public ModalRunnable<CFillDlg>
{
    Q_OBJECT
public:
    // `length`: how many bytes the fill covers, said in the dialog's text.
    explicit CFillDlg(FilePos length, QWidget* parent = nullptr);

    // Runs the dialog and returns QDialog::Accepted or QDialog::Rejected.
    int DoModal();
    [[nodiscard]] QString PatternText() const;
    [[nodiscard]] QLineEdit* PatternEdit() const { return m_pattern; }

private:
    QLineEdit* m_pattern = nullptr;
};

} // namespace vtx
