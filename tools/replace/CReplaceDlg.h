#pragma once
// The Replace dialog: it stays open beside the document. "Find what" and "Replace with",
// the search type and Match case (the same settings as the search bar's: a change here is
// a change there), and Find Next, Replace, Replace All, Find All and Close.

#include "document/DocumentSearch.h"
#include "tools/replace/ReplaceTool.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vtx {

class CVantorixView;

class CReplaceDlg final : public QDialog
{
    Q_OBJECT
public:
    // What the dialog asks of the main frame.
    struct Hooks {
        std::function<CVantorixView*()> activeView;
        std::function<SearchSettings()> settings;
        std::function<void(SearchSettings)> setSettings;
        // Find All of the text with these settings in the active view's document.
        std::function<void(const QString& text, SearchSettings)> findAll;
    };
    CReplaceDlg(Hooks hooks, QWidget* parent = nullptr);

    // Shows the frame's settings (called when they change there).
    void ShowSettings(SearchSettings settings);
    // Opens, or brings forward, with the focus in "Find what".
    void Present();

    void FindNext();
    void Replace();
    void ReplaceAll();
    void FindAll();

    // What the last action said (also shown at the bottom of the dialog).
    [[nodiscard]] QString Message() const;
    [[nodiscard]] QLineEdit* FindEdit() const { return m_pFind; }
    [[nodiscard]] QLineEdit* ReplaceEdit() const { return m_pReplace; }
    // How long Replace All runs before it shows progress; tests set 0.
    static void SetProgressDelayMs(int ms);

private:
    // The search type's buttons and Match case, in a box of their own.
    QGroupBox* BuildTypeGroup();
    [[nodiscard]] SearchSettings ChosenSettings() const;
    void SettingsChanged();
    void Tell(const QString& message);
    // The texts as a plan for replacing, or, after telling the user why not, nothing.
    std::optional<ReplacePlan> PreparePlan();
    // What Replace and Replace All work on: the active view, its document and the plan;
    // nothing while a Replace All runs, without a document, or when the plan is refused.
    struct Target {
        QPointer<CVantorixView> view;
        CVantorixDoc* doc;
        ReplacePlan plan;
    };
    std::optional<Target> PrepareTarget();

    Hooks m_hooks;
    QLineEdit* m_pFind;
    QLineEdit* m_pReplace;
    QRadioButton* m_pAscii;
    QRadioButton* m_pHex;
    QRadioButton* m_pUnicode;
    QRadioButton* m_pRegex;
    QCheckBox* m_pMatchCase;
    QLabel* m_pMessage;
    bool m_bShowing = false;
    bool m_bBusy = false;
};

} // namespace vtx
