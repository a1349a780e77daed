#include "CommandTable.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace vtx {

CommandTable::CommandTable(QWidget* owner) : QObject(owner), m_pOwner(owner) {}

CommandTable::~CommandTable() = default;

QAction* CommandTable::Add(CommandRow row)
{
    const int id = row.id;
    QAction*& action = m_actions[id];
    if (!action) {
        action = new QAction(m_pOwner);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { Execute(id); });
        if (m_pOwner)
            m_pOwner->addAction(action);
        m_order.push_back(id);
    }
    const auto old = m_rows.find(id);
    if (old == m_rows.end() ? !row.keys.isEmpty() : old->second.keys != row.keys)
        ++m_nKeysRevision;
    m_rows[id] = std::move(row);
    ApplyRow(*action, m_rows[id]);
    Update(id);
    return action;
}

const CommandRow* CommandTable::Row(int id) const
{
    const auto it = m_rows.find(id);
    return it == m_rows.end() ? nullptr : &it->second;
}

QAction* CommandTable::Action(int id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

std::vector<int> CommandTable::Ids() const
{
    std::vector<int> ids;
    ids.reserve(m_rows.size());
    for (const auto& [id, row] : m_rows)
        ids.push_back(id);
    return ids;
}

std::vector<AcceleratorEntry> CommandTable::AcceleratorTable() const
{
    std::vector<AcceleratorEntry> table;
    for (const int id : m_order) {
        const QList<QKeySequence>& keys = m_rows.at(id).keys;
        for (auto key = keys.crbegin(); key != keys.crend(); ++key)
            if (key->count() == 1)
                table.push_back({(*key)[0], id});
    }
    return table;
}

void CommandTable::SetHandler(int id, std::function<void()> handler)
{
    const auto it = m_rows.find(id);
    if (it == m_rows.end())
        return;
    it->second.handler = std::move(handler);
    Update(id);
}

void CommandTable::SetUpdate(int id, std::function<void(CCmdUI&)> update)
{
    const auto it = m_rows.find(id);
    if (it == m_rows.end())
        return;
    it->second.update = std::move(update);
    Update(id);
}

bool CommandTable::Execute(int id)
{
    const auto it = m_rows.find(id);
    if (it == m_rows.end())
        return false;
    // The rule may have changed since the last pass (a window closed a moment ago).
    Update(id);
    if (!Query(id).IsEnabled())
        return false;
    // Copy: the handler may replace its own row.
    const std::function<void()> handler = it->second.handler;
    handler();
    return true;
}

CCmdUI CommandTable::Query(int id) const
{
    CCmdUI ui(id);
    const CommandRow* row = Row(id);
    if (!row || !row->handler) {
        ui.Enable(false);
        return ui;
    }
    if (row->update)
        row->update(ui);
    return ui;
}

void CommandTable::Update(int id)
{
    if (QAction* action = Action(id))
        Query(id).ApplyTo(*action);
}

void CommandTable::UpdateAll()
{
    for (const auto& [id, action] : m_actions)
        Query(id).ApplyTo(*action);
}

QMenu* CommandTable::BuildMenu(const QString& title, const std::vector<int>& ids, QWidget* parent)
{
    auto* menu = new QMenu(title, parent);
    for (const int id : ids) {
        if (id == kSeparator) {
            menu->addSeparator();
            continue;
        }
        const CommandRow* row = Row(id);
        if (row && !row->menuText.isEmpty())
            menu->addAction(Action(id));
    }
    connect(menu, &QMenu::aboutToShow, this, &CommandTable::UpdateAll);
    return menu;
}

QString CommandTable::StatusText(const QString& prompt)
{
    return prompt.section(QLatin1Char('\n'), 0, 0);
}

QString CommandTable::ToolTip(const QString& prompt)
{
    return prompt.section(QLatin1Char('\n'), 1);
}

void CommandTable::ApplyRow(QAction& action, const CommandRow& row) const
{
    action.setText(row.menuText.isEmpty() ? ToolTip(row.prompt) : row.menuText);
    action.setStatusTip(StatusText(row.prompt));
    action.setToolTip(ToolTip(row.prompt));
    action.setShortcuts(row.keys);
}

} // namespace vtx
