#pragma once
// The editor's commands in one table: for each command id its prompt, menu text, keys,
// handler and update rule. The table makes one QAction per command, which every menu and
// toolbar shares; the update pass applies the rules to the actions.

#include "chrome/MenuEvents.h"
#include "framework/CCmdUI.h"

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace vtx {

struct CommandRow {
    int id = 0;
    // "status text\ntooltip": the status text shows in the status bar while the command
    // is highlighted, the tooltip on its toolbar button. Either part may be empty.
    QString prompt;
    // The menu text with its mnemonic and, after a tab, the shortcut text the menu shows
    // right-aligned ("&Open...\tCtrl+O"). Empty for commands without a menu item.
    QString menuText;
    // The principal key first; menus name it first too (see AcceleratorTable).
    QList<QKeySequence> keys;
    // What the command does. A command without a handler is disabled.
    std::function<void()> handler;
    // Enables, disables, checks or relabels the command. Without one a command with a
    // handler is always enabled.
    std::function<void(CCmdUI&)> update;
};

class CommandTable : public QObject
{
    Q_OBJECT
public:
    // The actions are added to owner, so that their keys work wherever the focus is in
    // owner's window.
    explicit CommandTable(QWidget* owner);
    ~CommandTable() override;

    // Adds a command, or replaces the row of the same id (the action stays the same
    // object, so menus and toolbars that show it keep it).
    QAction* Add(CommandRow row);
    [[nodiscard]] bool Contains(int id) const { return m_rows.count(id) != 0; }
    [[nodiscard]] const CommandRow* Row(int id) const;
    [[nodiscard]] QAction* Action(int id) const;
    // Ids in ascending order.
    [[nodiscard]] std::vector<int> Ids() const;
    // Ids in the order the commands were first added.
    [[nodiscard]] const std::vector<int>& IdsInOrder() const { return m_order; }

    // The accelerator table: every command's keys, commands in the order they were added.
    // A command's principal key is its last entry, because a menu names the later entry of
    // a command first: Copy reads "Ctrl+C, Ctrl+Insert".
    [[nodiscard]] std::vector<AcceleratorEntry> AcceleratorTable() const;
    // Names the table's current contents; changes whenever a command's keys change.
    [[nodiscard]] std::uint64_t AcceleratorTableId() const { return m_nKeysRevision; }

    void SetHandler(int id, std::function<void()> handler);
    void SetUpdate(int id, std::function<void(CCmdUI&)> update);

    // Runs a command as its menu item or key would: only when its rule enables it now.
    // Returns whether it ran.
    bool Execute(int id);

    // The update pass: every rule applied to its action.
    void UpdateAll();
    void Update(int id);
    // What the rule says right now, without touching the action.
    [[nodiscard]] CCmdUI Query(int id) const;

    // A popup menu of the given commands in order; kSeparator puts a separator, ids
    // without a row are left out. The menu runs the update pass before it opens.
    static constexpr int kSeparator = 0;
    QMenu* BuildMenu(const QString& title, const std::vector<int>& ids, QWidget* parent);

    // The two parts of a prompt.
    [[nodiscard]] static QString StatusText(const QString& prompt);
    [[nodiscard]] static QString ToolTip(const QString& prompt);

private:
    void ApplyRow(QAction& action, const CommandRow& row) const;

    QWidget* m_pOwner;
    std::map<int, CommandRow> m_rows;
    std::map<int, QAction*> m_actions;
    std::vector<int> m_order;    // ids in the order they were added
    std::uint64_t m_nKeysRevision = 1;
};

} // namespace vtx
