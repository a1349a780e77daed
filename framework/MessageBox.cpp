#include "MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace vtx {

namespace {

QString g_caption = QStringLiteral("Vantorix");
MessageBoxRecorder* g_recorder = nullptr;

MsgResult DefaultAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgResult::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgResult::Yes;
    case MsgButtons::RetryCancel: return MsgResult::Retry;
    case MsgButtons::AbortRetryIgnore: return MsgResult::Abort;
    }
    return MsgResult::Ok;
}

QMessageBox::StandardButtons ToQt(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return QMessageBox::Ok;
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon ToQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Default:
    case MsgIcon::None: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ToQt(MsgResult result)
{
    switch (result) {
    case MsgResult::Ok: return QMessageBox::Ok;
    case MsgResult::Cancel: return QMessageBox::Cancel;
    case MsgResult::Yes: return QMessageBox::Yes;
    case MsgResult::No: return QMessageBox::No;
    case MsgResult::Retry: return QMessageBox::Retry;
    case MsgResult::Abort: return QMessageBox::Abort;
    case MsgResult::Ignore: return QMessageBox::Ignore;
    }
    return QMessageBox::NoButton;
}

QMessageBox::StandardButton FirstButton(MsgButtons buttons)
{
    return ToQt(DefaultAnswer(buttons));
}

MsgResult FromQt(int button, MsgButtons buttons)
{
    switch (button) {
    case QMessageBox::Ok: return MsgResult::Ok;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Retry: return MsgResult::Retry;
    case QMessageBox::Abort: return MsgResult::Abort;
    case QMessageBox::Ignore: return MsgResult::Ignore;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    default: break;
    }
    // Closed with Esc or the close box.
    return buttons == MsgButtons::Ok ? MsgResult::Ok
           : buttons == MsgButtons::YesNo ? MsgResult::No
                                          : MsgResult::Cancel;
}

} // namespace

MsgIcon EffectiveIcon(MsgButtons buttons, MsgIcon requested)
{
    if (requested != MsgIcon::Default)
        return requested;
    switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgIcon::Exclamation;
    default: return MsgIcon::None;
    }
}

void SetMessageBoxCaption(const QString& caption)
{
    g_caption = caption;
}

QString MessageBoxCaption()
{
    return g_caption;
}

MsgResult ShowMessageBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                         const std::vector<MsgButtonText>& labels)
{
    icon = EffectiveIcon(buttons, icon);
    if (g_recorder)
        return g_recorder->Record(text, buttons, icon, labels);

    QMessageBox box(ToQt(icon), g_caption, text, ToQt(buttons), QApplication::activeWindow());
    for (const MsgButtonText& label : labels)
        if (QAbstractButton* button = box.button(ToQt(label.button)))
            button->setText(label.text);
    // A box with labels of its own names its choices in order of preference.
    if (!labels.empty())
        box.setDefaultButton(FirstButton(buttons));
    return FromQt(box.exec(), buttons);
}

void ShowNotice(const QString& text, QWidget* parent)
{
    const MsgIcon icon = EffectiveIcon(MsgButtons::Ok, MsgIcon::Default);
    if (g_recorder) {
        g_recorder->Record(text, MsgButtons::Ok, icon, {}, false);
        return;
    }
    auto* box = new QMessageBox(ToQt(icon), g_caption, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

MessageBoxRecorder::MessageBoxRecorder() : m_previous(g_recorder)
{
    g_recorder = this;
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    g_recorder = m_previous;
}

std::vector<QString> MessageBoxRecorder::Texts() const
{
    std::vector<QString> texts;
    texts.reserve(m_shown.size());
    for (const auto& s : m_shown)
        texts.push_back(s.text);
    return texts;
}

MsgResult MessageBoxRecorder::Record(const QString& text, MsgButtons buttons, MsgIcon icon,
                                     const std::vector<MsgButtonText>& labels, bool modal)
{
    m_shown.push_back({text, buttons, icon, g_caption, labels, modal});
    if (m_onShow)
        m_onShow(m_shown.back());
    // A notice waits for no answer and takes none of the scripted ones.
    if (m_answers.empty() || !modal)
        return DefaultAnswer(buttons);
    const MsgResult answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

} // namespace vtx
