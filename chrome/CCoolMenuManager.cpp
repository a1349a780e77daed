#include "chrome/CCoolMenuManager.h"

#include "chrome/Bevel.h"
#include "chrome/CommandId.h"
#include "chrome/ToolbarResource.h"
#include "framework/Trace.h"

// Qt
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QStyle>

// std
#include <algorithm>

namespace vtx {

namespace {

// The name of a key as the keyboard shows it. Qt abbreviates a few that menus spell out.
QString KeyName(Qt::Key key)
{
    const QString name = QKeySequence(QKeyCombination(key)).toString(QKeySequence::NativeText);
    static const std::map<QString, QString> longNames = {
        {QStringLiteral("Ins"), QStringLiteral("Insert")},
        {QStringLiteral("Del"), QStringLiteral("Delete")},
        {QStringLiteral("PgUp"), QStringLiteral("Page Up")},
        {QStringLiteral("PgDown"), QStringLiteral("Page Down")},
    };
    const auto it = longNames.find(name);
    return it == longNames.end() ? name : it->second;
}

QString ShortcutText(QKeyCombination keys)
{
    const Qt::KeyboardModifiers modifiers = keys.keyboardModifiers();
    QString text;
    if (modifiers & Qt::AltModifier)
        text += QStringLiteral("Alt+");
    if (modifiers & Qt::ControlModifier)
        text += QStringLiteral("Ctrl+");
    if (modifiers & Qt::ShiftModifier)
        text += QStringLiteral("Shift+");
    if (modifiers & Qt::MetaModifier)
        text += QStringLiteral("Meta+");
    return text + KeyName(keys.key());
}

QPalette MenuPalette()
{
    return QApplication::palette("QMenu");
}

} // namespace

CCoolMenuManager::CCoolMenuManager() : m_strResourceDir(DefaultToolbarDirectory()) {}

CCoolMenuManager::~CCoolMenuManager()
{
    RestoreAll();
}

bool CCoolMenuManager::AttachToFrame(QWidget* frame)
{
    return HookTo(frame);
}

bool CCoolMenuManager::AddToolbars(const std::vector<int>& ids)
{
    for (int id : ids)
        AddToolbar(id);
    return true;
}

bool CCoolMenuManager::AddToolbar(int id)
{
    QString why;
    const std::optional<ToolbarResource> resource = LoadToolbarResource(id, m_strResourceDir, &why);
    if (!resource) {
        Trace(QStringLiteral("Menu images: %1").arg(why));
        return false;
    }
    const QSize size = resource->layout.imageSize;
    if (m_imageSize.isEmpty()) {
        m_imageSize = size;
        m_buttonSize = size + QSize(4, 4);
    } else if (size != m_imageSize) {
        Trace(QStringLiteral("Menu images: toolbar %1 has %2 by %3 images, not %4 by %5; skipped")
                  .arg(id)
                  .arg(size.width())
                  .arg(size.height())
                  .arg(m_imageSize.width())
                  .arg(m_imageSize.height()));
        return false;
    }

    DisabledLook look = DisabledLookFor(MenuPalette());
    look.bUseDrawState = m_bUseDrawState;
    look.bInColor = m_bDisabledInColor;
    int index = ImageCount();
    for (int k = 0; k < resource->ImageCount(); ++k)
        m_icons.push_back(ButtonIcon(*resource, k, look));

    // The first toolbar that shows a command decides its image.
    for (int command : resource->layout.ids) {
        if (command == 0)
            continue;
        const auto it = m_imageOf.find(command);
        if (it == m_imageOf.end() || it->second < 0)
            m_imageOf[command] = index;
        ++index;
    }
    m_toolbarIds.push_back(id);
    if (m_strImageKey.isEmpty())
        m_strImageKey = ImageKey();
    return true;
}

void CCoolMenuManager::ReloadImages()
{
    const std::vector<int> ids = m_toolbarIds;
    ClearAll();
    for (int id : ids)
        AddToolbar(id);
    m_strImageKey = ImageKey();
}

void CCoolMenuManager::ClearAll()
{
    m_icons.clear();
    m_imageOf.clear();
    m_imageSize = QSize(0, 0);
    m_buttonSize = QSize(0, 0);
    m_toolbarIds.clear();
    m_strImageKey.clear();
    LoadAccelerators(0, {});
}

void CCoolMenuManager::SetUseDrawState(bool on)
{
    m_bUseDrawState = on;
    ReloadImages();
}

void CCoolMenuManager::SetDisabledInColor(bool on)
{
    m_bDisabledInColor = on;
    ReloadImages();
}

int CCoolMenuManager::ImageIndexOf(int command) const
{
    const auto it = m_imageOf.find(command);
    return it == m_imageOf.end() ? -1 : it->second;
}

QIcon CCoolMenuManager::ImageOf(int command) const
{
    const int index = ImageIndexOf(command);
    return index < 0 ? QIcon() : m_icons[static_cast<size_t>(index)];
}

QString CCoolMenuManager::ImageKey() const
{
    const BevelColors colors = BevelColorsOf(MenuPalette());
    return QStringLiteral("%1 %2 %3 %4")
        .arg(colors.highlight.name(QColor::HexArgb), colors.shadow.name(QColor::HexArgb),
             colors.face.name(QColor::HexArgb), QApplication::style()->name());
}

bool CCoolMenuManager::HandleMessage(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == MenuPopupEvent::EventType()) {
        // The frame sets the items' enabled and checked states first.
        CSubclassWnd::HandleMessage(event);
        const auto* popup = static_cast<MenuPopupEvent*>(event);
        if (popup->Menu())
            PopupOpening(popup->Menu(), popup->Index());
        return true;
    }
    if (type == MenuSelectEvent::EventType()) {
        const auto* select = static_cast<MenuSelectEvent*>(event);
        MenuSelectionChanged(select->Menu(), select->Action(), select->Closing());
        return CSubclassWnd::HandleMessage(event);
    }
    switch (type) {
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::StyleChange:
    case QEvent::ThemeChange:
        // One change may arrive as several events; the images are made once per change.
        if (!m_toolbarIds.empty() && ImageKey() != m_strImageKey)
            ReloadImages();
        break;
    default:
        break;
    }
    return CSubclassWnd::HandleMessage(event);
}

void CCoolMenuManager::PopupOpening(QMenu* menu, int index)
{
    if (m_bAutoAccel) {
        AcceleratorQueryEvent query;
        if (QObject* frame = GetHookedObject())
            QCoreApplication::sendEvent(frame, &query);
        const std::uint64_t tableId = query.IsAnswered() ? query.TableId() : 0;
        if (tableId != m_nAccelTableId)
            LoadAccelerators(tableId, query.Entries());
    }
    ConvertMenu(menu, m_bShowButtons);
}

void CCoolMenuManager::LoadAccelerators(std::uint64_t tableId,
                                        const std::vector<AcceleratorEntry>& entries)
{
    m_accel.clear();
    m_lastAccel.clear();
    m_nAccelTableId = tableId;
    if (tableId == 0)
        return;
    for (size_t i = 0; i < entries.size(); ++i) {
        const int command = entries[i].command;
        const auto previous = m_lastAccel.find(command);
        const int back = previous == m_lastAccel.end() ? 0 : static_cast<int>(i - previous->second);
        m_accel.push_back({entries[i].keys, back});
        m_lastAccel[command] = i;
    }
}

bool CCoolMenuManager::AppendShortcutText(QString& text, int command) const
{
    const qsizetype tab = text.indexOf(u'\t');
    if (tab > 0)
        text.truncate(tab);
    const auto last = m_lastAccel.find(command);
    if (command == 0 || last == m_lastAccel.end())
        return false;
    size_t i = last->second;
    bool first = true;
    for (;;) {
        text += first ? QStringLiteral("\t") : QStringLiteral(", ");
        first = false;
        text += ShortcutText(m_accel[i].keys);
        if (m_accel[i].back == 0)
            break;
        i -= static_cast<size_t>(m_accel[i].back);
    }
    return true;
}

void CCoolMenuManager::ConvertMenu(QMenu* menu, bool show)
{
    auto converted = std::find_if(m_converted.begin(), m_converted.end(),
                                  [menu](const ConvertedMenu& c) { return c.menu == menu; });
    if (converted == m_converted.end())
        converted = m_converted.insert(m_converted.begin(), ConvertedMenu{menu, {}});

    const bool shortcuts = m_bAutoAccel && HasAccelerators();
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        auto record = std::find_if(converted->items.begin(), converted->items.end(),
                                   [action](const ItemRecord& r) { return r.action == action; });
        if (record == converted->items.end()) {
            converted->items.push_back({action, action->text(), action->text(), action->icon()});
            record = std::prev(converted->items.end());
        } else if (action->text() != record->shownText) {
            // Relabelled by its owner since: that is the text to build on now.
            record->originalText = action->text();
            record->shownText = action->text();
        }

        const int command = CommandIdOf(action);
        QString text = record->originalText;
        if (shortcuts) {
            QString withKeys = text;
            // An open popup shows the text cut at its tab even without shortcuts to add.
            if (AppendShortcutText(withKeys, command) || show)
                text = withKeys;
        }
        if (action->text() != text)
            action->setText(text);
        record->shownText = text;

        const int image = ImageIndexOf(command);
        if (show && image >= 0) {
            const QIcon& icon = m_icons[static_cast<size_t>(image)];
            if (action->icon().cacheKey() != icon.cacheKey())
                action->setIcon(icon);
            record->shownIconKey = icon.cacheKey();
            record->bIconSet = true;
        } else if (record->bIconSet) {
            if (action->icon().cacheKey() == record->shownIconKey)
                action->setIcon(record->originalIcon);
            record->bIconSet = false;
        }
    }
}

void CCoolMenuManager::RestoreMenu(ConvertedMenu& converted)
{
    for (ItemRecord& record : converted.items) {
        QAction* action = record.action;
        if (!action)
            continue;
        if (action->text() == record.shownText && record.shownText != record.originalText)
            action->setText(record.originalText);
        if (record.bIconSet && action->icon().cacheKey() == record.shownIconKey)
            action->setIcon(record.originalIcon);
    }
    converted.items.clear();
}

void CCoolMenuManager::RestoreAll()
{
    for (ConvertedMenu& converted : m_converted)
        RestoreMenu(converted);
    m_converted.clear();
}

void CCoolMenuManager::MenuSelectionChanged(QMenu* menu, QAction* action, bool closing)
{
    if (!closing)
        return;
    // The closing popup goes back to plain items, and so does every other converted
    // popup that is no longer open (a whole menu closing at once).
    for (auto it = m_converted.begin(); it != m_converted.end();) {
        if (it->menu == menu || !it->menu || !it->menu->isVisible()) {
            RestoreMenu(*it);
            it = m_converted.erase(it);
        } else {
            ++it;
        }
    }
}

std::vector<QMenu*> CCoolMenuManager::ConvertedMenus() const
{
    std::vector<QMenu*> menus;
    for (const ConvertedMenu& converted : m_converted)
        if (converted.menu)
            menus.push_back(converted.menu);
    return menus;
}

} // namespace vtx
