#pragma once
// Running a dialog modally, with one seam for tests: a test gives a dialog class a runner,
// and from then on every DoModal of that class hands the open dialog to the runner, which
// plays the user and returns the result, instead of waiting in exec(). No test ever waits
// on a dialog; the program itself never sets a runner.

// this program
#include "framework/TestSeam.h"

// Qt
#include <QDialog>

namespace vtx {

// Derive a dialog from this beside QDialog (QDialog first, as moc wants):
//   class CFillDlg : public QDialog, public ModalRunnable<CFillDlg>
// and call RunModal() where the dialog would call exec().
template <typename Dialog>
class ModalRunnable
{
public:
    using ModalRunner = typename TestSeam<Dialog, int(Dialog&)>::Replacement;
    // Empty: run modally again.
    static void SetModalRunner(ModalRunner runner) { TestSeam<Dialog, int(Dialog&)>::Set(std::move(runner)); }

protected:
    // QDialog::Accepted or QDialog::Rejected, from the runner or from exec().
    int RunModal()
    {
        auto& dialog = static_cast<Dialog&>(*this);
        if (const ModalRunner runner = TestSeam<Dialog, int(Dialog&)>::Get())
            return runner(dialog);
        return dialog.exec();
    }
};

} // namespace vtx
