#include "CKeyboardShortcutsDlg.h"

// this program
#include "frame/SearchTypeItems.h"
#include "res/CommandIds.h"

// Qt
#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vtx {

namespace {

// "Save &As...\tCtrl+Shift+S" -> "Save As...": the tab part is a shortcut text, "&&" a
// literal ampersand.
QString PlainMenuText(const QString& menuText)
{
    QString text = menuText.section(QLatin1Char('\t'), 0, 0);
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                plain += QLatin1Char('&'), ++i;
            continue;
        }
        plain += text[i];
    }
    return plain;
}

} // namespace

std::vector<ShortcutEntry> ShortcutEntries(const CommandTable& table)
{
    std::vector<ShortcutEntry> entries;
    for (const int id : table.IdsInOrder()) {
        if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST)
            continue;
        const CommandRow* row = table.Row(id);
        if (!row)
            continue;
        QString name = PlainMenuText(row->menuText);
        if (name.isEmpty())
            name = CommandTable::ToolTip(row->prompt);
        if (name.isEmpty())
            name = CommandTable::StatusText(row->prompt);
        if (name.isEmpty())
            continue;
        QStringList keys;
        for (const QKeySequence& key : row->keys)
            if (!key.isEmpty())
                keys << key.toString(QKeySequence::NativeText);
        for (const SearchBoxKey& boxKey : kSearchBoxKeys)
            if (boxKey.id == id)
                keys << QStringLiteral("%1 in the search box")
                            .arg(QKeySequence(Qt::ALT | Qt::Key(boxKey.key)).toString(QKeySequence::NativeText));
        entries.push_back({id, name, keys.join(QStringLiteral(", "))});
    }
    return entries;
}

CKeyboardShortcutsDlg::CKeyboardShortcutsDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
    setObjectName(QStringLiteral("KeyboardShortcuts"));
    auto* layout = new QVBoxLayout(this);

    m_pFilter = new QLineEdit(this);
    m_pFilter->setPlaceholderText(QStringLiteral("Filter commands and keys"));
    m_pFilter->setClearButtonEnabled(true);
    layout->addWidget(m_pFilter);
    connect(m_pFilter, &QLineEdit::textChanged, this, &CKeyboardShortcutsDlg::ApplyFilter);

    m_pList = new QTreeWidget(this);
    m_pList->setColumnCount(2);
    m_pList->setHeaderLabels({QStringLiteral("Command"), QStringLiteral("Keys")});
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(m_pList);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(520, 560);
}

void CKeyboardShortcutsDlg::Fill(const CommandTable& table)
{
    m_pList->clear();
    for (const ShortcutEntry& entry : ShortcutEntries(table)) {
        auto* item = new QTreeWidgetItem(m_pList, {entry.name, entry.keys});
        item->setData(0, Qt::UserRole, entry.id);
        if (const CommandRow* row = table.Row(entry.id))
            item->setToolTip(0, CommandTable::StatusText(row->prompt));
    }
    ApplyFilter(m_pFilter->text());
}

void CKeyboardShortcutsDlg::ApplyFilter(const QString& text)
{
    const QString wanted = text.trimmed();
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_pList->topLevelItem(i);
        const bool match = wanted.isEmpty() || item->text(0).contains(wanted, Qt::CaseInsensitive)
                           || item->text(1).contains(wanted, Qt::CaseInsensitive);
        item->setHidden(!match);
    }
}

} // namespace vtx
