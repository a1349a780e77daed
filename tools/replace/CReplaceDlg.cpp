#include "CReplaceDlg.h"

// this program
#include "document/CVantorixDoc.h"
#include "framework/MessageBox.h"
#include "tools/replace/ReplaceTool.h"
#include "view/CVantorixView.h"
#include "view/ProgressSearch.h"

// Qt
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vtx {

namespace {

// Replace All shows its progress once it has run for about a second.
int g_progressDelayMs = 1000;

// Every window on the document shows the replaced bytes.
void RepaintViewsOf(CVantorixDoc* doc)
{
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* view = qobject_cast<CVantorixView*>(widget); view && view->GetDocument() == doc)
            view->update();
}

} // namespace

CReplaceDlg::CReplaceDlg(Hooks hooks, QWidget* parent)
    : QDialog(parent), m_hooks(std::move(hooks)), m_pFind(new QLineEdit), m_pReplace(new QLineEdit),
      m_pAscii(new QRadioButton(QStringLiteral("A&scii"))), m_pHex(new QRadioButton(QStringLiteral("&Hex"))),
      m_pUnicode(new QRadioButton(QStringLiteral("&Unicode"))),
      m_pRegex(new QRadioButton(QStringLiteral("Regular e&xpression"))), m_pMatchCase(new QCheckBox(QStringLiteral("Match &case"))),
      m_pMessage(new QLabel)
{
    setObjectName(QStringLiteral("ReplaceDialog"));
    setWindowTitle(QStringLiteral("Replace"));
    setModal(false);
    m_pFind->setObjectName(QStringLiteral("FindWhat"));
    m_pReplace->setObjectName(QStringLiteral("ReplaceWith"));
    m_pMessage->setObjectName(QStringLiteral("ReplaceMessage"));
    m_pMessage->setWordWrap(true);

    auto* texts = new QFormLayout;
    texts->addRow(QStringLiteral("Fi&nd what:"), m_pFind);
    texts->addRow(QStringLiteral("Re&place with:"), m_pReplace);

    auto* buttons = new QVBoxLayout;
    const auto addButton = [&](const QString& text, const char* name, void (CReplaceDlg::*slot)()) {
        auto* button = new QPushButton(text);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, slot);
        buttons->addWidget(button);
        return button;
    };
    addButton(QStringLiteral("&Find Next"), "FindNextButton", &CReplaceDlg::FindNext)->setDefault(true);
    addButton(QStringLiteral("&Replace"), "ReplaceButton", &CReplaceDlg::Replace);
    addButton(QStringLiteral("Replace &All"), "ReplaceAllButton", &CReplaceDlg::ReplaceAll);
    addButton(QStringLiteral("Find A&ll"), "FindAllButton", &CReplaceDlg::FindAll);
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("CloseButton"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    buttons->addWidget(close);
    buttons->addStretch();

    auto* left = new QVBoxLayout;
    left->addLayout(texts);
    left->addWidget(BuildTypeGroup());
    left->addWidget(m_pMessage);
    left->addStretch();
    auto* all = new QHBoxLayout(this);
    all->addLayout(left, 1);
    all->addLayout(buttons);

    ShowSettings(m_hooks.settings ? m_hooks.settings() : SearchSettings{});
}

QGroupBox* CReplaceDlg::BuildTypeGroup()
{
    auto* type = new QGroupBox(QStringLiteral("Search type"));
    auto* typeRow = new QHBoxLayout(type);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* button : {m_pAscii, m_pHex, m_pUnicode, m_pRegex}) {
        group->addButton(button);
        typeRow->addWidget(button);
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                SettingsChanged();
        });
    }
    typeRow->addWidget(m_pMatchCase);
    connect(m_pMatchCase, &QCheckBox::toggled, this, &CReplaceDlg::SettingsChanged);
    return type;
}

void CReplaceDlg::SetProgressDelayMs(int ms)
{
    g_progressDelayMs = std::max(0, ms);
}

void CReplaceDlg::ShowSettings(SearchSettings settings)
{
    m_bShowing = true;
    m_pAscii->setChecked(settings.type == SearchType::Ascii);
    m_pHex->setChecked(settings.type == SearchType::Hex);
    m_pUnicode->setChecked(settings.type == SearchType::Unicode);
    m_pRegex->setChecked(settings.type == SearchType::Regex);
    m_pMatchCase->setChecked(settings.matchCase);
    m_bShowing = false;
}

SearchSettings CReplaceDlg::ChosenSettings() const
{
    SearchSettings settings;
    settings.type = m_pHex->isChecked()       ? SearchType::Hex
                    : m_pUnicode->isChecked() ? SearchType::Unicode
                    : m_pRegex->isChecked()   ? SearchType::Regex
                                              : SearchType::Ascii;
    settings.matchCase = m_pMatchCase->isChecked();
    return settings;
}

void CReplaceDlg::SettingsChanged()
{
    if (!m_bShowing && m_hooks.setSettings)
        m_hooks.setSettings(ChosenSettings());
}

void CReplaceDlg::Present()
{
    if (m_hooks.settings)
        ShowSettings(m_hooks.settings());
    show();
    raise();
    activateWindow();
    m_pFind->setFocus(Qt::OtherFocusReason);
    m_pFind->selectAll();
}

QString CReplaceDlg::Message() const
{
    return m_pMessage->text();
}

void CReplaceDlg::Tell(const QString& message)
{
    m_pMessage->setText(message);
}

void CReplaceDlg::FindNext()
{
    CVantorixView* view = m_hooks.activeView ? m_hooks.activeView() : nullptr;
    if (!view || m_bBusy)
        return;
    Tell(QString());
    view->FindText(m_pFind->text(), ChosenSettings(), SearchDirection::Forward);
}

std::optional<ReplacePlan> CReplaceDlg::PreparePlan()
{
    QString problem;
    std::optional<ReplacePlan> plan = ReplaceTool::Prepare(m_pFind->text(), m_pReplace->text(), ChosenSettings(), problem);
    if (!plan) {
        Tell(problem);
        ShowMessageBox(problem);
    }
    return plan;
}

std::optional<CReplaceDlg::Target> CReplaceDlg::PrepareTarget()
{
    const QPointer<CVantorixView> view = m_hooks.activeView ? m_hooks.activeView() : nullptr;
    CVantorixDoc* doc = view ? view->GetDocument() : nullptr;
    if (!doc || m_bBusy)
        return std::nullopt;
    std::optional<ReplacePlan> plan = PreparePlan();
    if (!plan)
        return std::nullopt;
    return Target{view, doc, std::move(*plan)};
}

void CReplaceDlg::Replace()
{
    // The selected match (as Find Next leaves it) is replaced; then, either way, the next
    // match is looked for.
    const std::optional<Target> target = PrepareTarget();
    if (!target)
        return;
    if (const std::optional<ByteRange> selected = target->view->SelectedRange();
        selected && ReplaceTool::IsMatch(*target->doc, target->plan, *selected)) {
        const ReplaceResult result = ReplaceTool::ReplaceOne(*target->doc, target->plan, *selected);
        Tell(result.message);
        if (result.end != ReplaceResult::End::Done) {
            ShowMessageBox(result.message);
            return;
        }
        RepaintViewsOf(target->doc);
    }
    if (target->view)
        target->view->FindText(m_pFind->text(), ChosenSettings(), SearchDirection::Forward);
}

void CReplaceDlg::ReplaceAll()
{
    const std::optional<Target> target = PrepareTarget();
    if (!target)
        return;
    const QPointer<CVantorixView> view = target->view;
    CVantorixDoc* doc = target->doc;
    const ReplacePlan* plan = &target->plan;
    // A selection longer than one match is the range to work on; one match selected (as
    // Find Next leaves it) or none means the whole document.
    ByteRange range{0, doc->GetFileLength()};
    if (const std::optional<ByteRange> selected = view->SelectedRange();
        selected && selected->length > plan->find.compareLength)
        range = *selected;

    m_bBusy = true;
    const QPointer<CReplaceDlg> self(this);
    ReplaceResult result;
    {
        LongTaskProgress task(range.length, g_progressDelayMs, [this](int percent) {
            Tell(QStringLiteral("Replacing: %1% done. Press Esc to cancel.").arg(percent));
        });
        result = ReplaceTool::ReplaceAll(*doc, *plan, range, [&](std::uint64_t scanned) {
            return task.Tick(scanned) && view && doc->IsFileOpen();
        });
        (void)task.Finish();
    }
    if (!self)
        return;
    m_bBusy = false;
    if (!view)
        return;
    RepaintViewsOf(doc);
    Tell(result.message);
    if (result.end == ReplaceResult::End::Refused || result.end == ReplaceResult::End::Failed)
        ShowMessageBox(result.message);
}

void CReplaceDlg::FindAll()
{
    if (m_bBusy || !m_hooks.findAll)
        return;
    Tell(QString());
    m_hooks.findAll(m_pFind->text(), ChosenSettings());
}

} // namespace vtx
