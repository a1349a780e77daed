#pragma once
// Help > Keyboard Shortcuts: every command of the frame's command table with all its keys.
// The page is made from the table each time it opens, so a command added anywhere in the
// program shows here without being listed twice.

// this program
#include "frame/CommandTable.h"

// Qt
#include <QDialog>
#include <QString>

// std
#include <vector>

class QLineEdit;
class QTreeWidget;

namespace vtx {

struct ShortcutEntry {
    int id = 0;
    QString name; // the menu text without its mnemonic, else the tooltip, else the status text
    QString keys; // every key in the platform's notation, principal first; empty when none
};

// One entry per named command of the table, in the order the commands were added (which
// follows the menus). Commands without any name, and the recent-file places, are left out.
[[nodiscard]] std::vector<ShortcutEntry> ShortcutEntries(const CommandTable& table);

class CKeyboardShortcutsDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CKeyboardShortcutsDlg(QWidget* parent = nullptr);

    // Fills the list from the table as it is now.
    void Fill(const CommandTable& table);

    [[nodiscard]] QTreeWidget* List() const { return m_pList; }
    [[nodiscard]] QLineEdit* FilterBox() const { return m_pFilter; }

private:
    void ApplyFilter(const QString& text);

    QTreeWidget* m_pList = nullptr;
    QLineEdit* m_pFilter = nullptr;
};

} // namespace vtx
