#pragma once
// Running the setup program's dialogs modally, and the recorder that tests put in place
// so that no test ever waits on a dialog: while one exists, a dialog is handed to it
// instead of being shown.

#include <QDialog>
#include <QStringList>

#include <functional>

namespace vtx {

// Shows the dialog modally and returns its result (QDialog::Accepted or Rejected).
int ExecModal(QDialog& dialog);

class ModalDialogRecorder
{
public:
    // The handler plays the user: it may fill in and press the dialog's controls. Its
    // return value is the dialog's result. Without one, every dialog is cancelled.
    using Handler = std::function<int(QDialog&)>;
    explicit ModalDialogRecorder(Handler handler = {});
    ~ModalDialogRecorder();
    ModalDialogRecorder(const ModalDialogRecorder&) = delete;
    ModalDialogRecorder& operator=(const ModalDialogRecorder&) = delete;

    // The window titles of the dialogs run so far, in order.
    [[nodiscard]] const QStringList& Titles() const { return m_titles; }
    int Run(QDialog& dialog);

private:
    Handler m_handler;
    QStringList m_titles;
    ModalDialogRecorder* m_previous;
};

} // namespace vtx
