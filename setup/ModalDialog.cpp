#include "ModalDialog.h"

namespace vtx {

namespace {
ModalDialogRecorder* g_recorder = nullptr;
}

int ExecModal(QDialog& dialog)
{
    return g_recorder ? g_recorder->Run(dialog) : dialog.exec();
}

ModalDialogRecorder::ModalDialogRecorder(Handler handler)
    : m_handler(std::move(handler)), m_previous(g_recorder)
{
    g_recorder = this;
}

ModalDialogRecorder::~ModalDialogRecorder()
{
    // Recorders may end in any order (a test replacing one with another): unlink this one
    // from wherever it sits in the chain.
    if (g_recorder == this) {
        g_recorder = m_previous;
        return;
    }
    for (ModalDialogRecorder* r = g_recorder; r; r = r->m_previous)
        if (r->m_previous == this) {
            r->m_previous = m_previous;
            return;
        }
}

int ModalDialogRecorder::Run(QDialog& dialog)
{
    m_titles.append(dialog.windowTitle());
    return m_handler ? m_handler(dialog) : int(QDialog::Rejected);
}

} // namespace vtx
