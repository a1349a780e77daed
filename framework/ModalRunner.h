#pragma once
// Running a dialog modally, with one seam for tests: a test gives a dialog class a runner,
// and from then on every DoModal of that class hands the open dialog to the runner, which
// plays the user and returns the result, instead of waiting in exec(). No test ever waits
// on a dialog; the program itself never sets a runner.

// Qt
#include <QDialog>

// std
#include <functional>

namespace vtx {

// Derive a dialog from this beside QDialog (QDialog first, as moc wants):
//   class CFillDlg : public QDialog, public ModalRunnable<CFillDlg>
// and call RunModal() where the dialog would call exec().
template <typename Dialog>
class ModalRunnable
{
public:
    using ModalRunner = std::function<int(Dialog&)>;
    // Empty: run modally again.
    static void SetModalRunner(ModalRunner runner) { s_runner = std::move(runner); }

protected:
    // QDialog::Accepted or QDialog::Rejected, from the runner or from exec().
    int RunModal()
    {
        auto& dialog = static_cast<Dialog&>(*this);
        // A copy, so that a runner may replace itself while it runs.
        if (const ModalRunner runner = s_runner)
            return runner(dialog);
        return dialog.exec();
    }

private:
    static inline ModalRunner s_runner;
};

} // namespace vtx
