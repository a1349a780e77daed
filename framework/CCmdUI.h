#pragma once
// What an update rule says about one command: enabled or not, checked or not, and
// possibly a new text or visibility. The update pass collects it for each command and
// applies it to the command's QAction, which the menus and toolbars share.

#include <QString>

#include <optional>

class QAction;

namespace vtx {

class CCmdUI
{
public:
    explicit CCmdUI(int id) : m_nID(id) {}

    [[nodiscard]] int GetID() const { return m_nID; }

    void Enable(bool on = true) { m_enabled = on; }
    void SetCheck(bool checked = true) { m_checked = checked; }
    void SetText(const QString& text) { m_text = text; }
    void SetVisible(bool visible) { m_visible = visible; }

    // A rule that says nothing leaves the command enabled.
    [[nodiscard]] bool IsEnabled() const { return m_enabled.value_or(true); }
    [[nodiscard]] const std::optional<bool>& Checked() const { return m_checked; }

    // Writes what the rule decided into the action; properties the rule left alone keep
    // their values.
    void ApplyTo(QAction& action) const;

private:
    int m_nID;
    std::optional<bool> m_enabled;
    std::optional<bool> m_checked;
    std::optional<QString> m_text;
    std::optional<bool> m_visible;
};

} // namespace vtx
