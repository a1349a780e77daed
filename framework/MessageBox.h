#pragma once
// The program's one way of showing a message box, and the recorder that tests put in its
// place so that no test ever waits on a modal box.

#include <QString>

class QWidget;

#include <deque>
#include <functional>
#include <vector>

namespace vtx {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
// Default means: the exclamation icon for Ok, OkCancel, YesNo and YesNoCancel, no icon for
// the other button sets.
enum class MsgIcon { Default, None, Exclamation, Information, Question, Critical };
enum class MsgResult { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// A button that carries the caller's own label instead of the standard one ("Save As..."
// on the Yes button).
struct MsgButtonText {
    MsgResult button;
    QString text;
    bool operator==(const MsgButtonText&) const = default;
};

// Shows text in a modal box captioned with MessageBoxCaption() and returns the button the
// user pressed (Cancel, or No where there is no Cancel, when the box is closed otherwise).
// The first button of the set is the default one.
MsgResult ShowMessageBox(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::Default, const std::vector<MsgButtonText>& labels = {});

// Tells the user something without waiting for an answer: a box with an OK button that
// stays open beside the program (not modal) until the user closes it. parent may be null.
void ShowNotice(const QString& text, QWidget* parent);

// "Vantorix" for the editor; the setup program sets its own.
void SetMessageBoxCaption(const QString& caption);
[[nodiscard]] QString MessageBoxCaption();

// The icon that a box with these buttons gets when its caller names none.
[[nodiscard]] MsgIcon EffectiveIcon(MsgButtons buttons, MsgIcon requested);

// While one exists, every ShowMessageBox call is recorded here instead of shown, and
// answered from the scripted answers (first in, first out), else with the default answer:
// Ok, Yes or Retry for the first button of the set. Recorders nest; the newest wins.
class MessageBoxRecorder
{
public:
    struct Shown {
        QString text;
        MsgButtons buttons;
        MsgIcon icon;    // as effective (Default resolved)
        QString caption;
        std::vector<MsgButtonText> labels; // the caller's own button labels, if any
        bool modal = true;                 // false for ShowNotice
    };

    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void Answer(MsgResult result) { m_answers.push_back(result); }
    // Runs while the box is "shown": lets a test look at the world at that moment.
    void OnShow(std::function<void(const Shown&)> callback) { m_onShow = std::move(callback); }

    [[nodiscard]] const std::vector<Shown>& Records() const { return m_shown; }
    [[nodiscard]] std::vector<QString> Texts() const;
    [[nodiscard]] int Count() const { return static_cast<int>(m_shown.size()); }
    [[nodiscard]] QString Last() const { return m_shown.empty() ? QString() : m_shown.back().text; }
    void Clear() { m_shown.clear(); }

    MsgResult Record(const QString& text, MsgButtons buttons, MsgIcon icon,
                     const std::vector<MsgButtonText>& labels = {}, bool modal = true);

private:
    std::vector<Shown> m_shown;
    std::deque<MsgResult> m_answers;
    std::function<void(const Shown&)> m_onShow;
    MessageBoxRecorder* m_previous;
};

} // namespace vtx
