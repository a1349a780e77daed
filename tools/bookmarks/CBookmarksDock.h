#pragma once
// The "Bookmarks" dock: the active document's bookmarks by offset, each with a name the
// user can type; Enter or a double click goes there. It also keeps the bookmarks of every
// open file, marks their rows in the views' address columns, and writes every change to
// the settings at once.

// this program
#include "tools/bookmarks/BookmarkStore.h"
#include "view/CVantorixView.h"

// Qt
#include <QDockWidget>
#include <QPointer>

// std
#include <functional>
#include <map>
#include <memory>

class QSettings;
class QTreeWidget;
class QTreeWidgetItem;

namespace vtx {



class CBookmarksDock : public QDockWidget
{
    Q_OBJECT
public:
    explicit CBookmarksDock(QWidget* parent = nullptr);

    // Where the bookmarks are kept; the application's settings unless a test says otherwise.
    using SettingsSource = std::function<std::unique_ptr<QSettings>()>;
    static void SetSettingsSource(SettingsSource source);

    // The window whose document the dock shows and whose caret the commands use; null when
    // no document window is active.
    void Follow(CVantorixView* view);
    [[nodiscard]] CVantorixView* FollowedView() const { return m_pView; }

    // Ctrl+F2, F2 and Shift+F2.
    void ToggleAtCaret();
    void GotoNext();
    void GotoPrevious();

    [[nodiscard]] QTreeWidget* Tree() const { return m_pTree; }
    // The followed document's bookmarks; null without one.
    [[nodiscard]] const BookmarkList* Current() const { return m_current.get(); }

private:
    void Refill();
    void Changed();
    void GoTo(FilePos offset);
    void OnItemChanged(QTreeWidgetItem* item, int column);
    bool eventFilter(QObject* watched, QEvent* event) override;

    QTreeWidget* m_pTree = nullptr;
    QPointer<CVantorixView> m_pView;
    QString m_key;
    std::shared_ptr<BookmarkList> m_current;
    // Every file's bookmarks seen in this session, by the key they are kept under.
    std::map<QString, std::shared_ptr<BookmarkList>> m_lists;
    bool m_bFilling = false;
};

} // namespace vtx
