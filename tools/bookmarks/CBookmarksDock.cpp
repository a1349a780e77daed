#include "CBookmarksDock.h"

// this program
#include "document/CVantorixDoc.h"
#include "framework/CWinApp.h"
#include "framework/MessageBox.h"
#include "view/CVantorixView.h"

// Qt
#include <QHeaderView>
#include <QKeyEvent>
#include <QSettings>
#include <QTreeWidget>

namespace vtx {

namespace {

CBookmarksDock::SettingsSource g_settings;

std::unique_ptr<QSettings> OpenSettings()
{
    if (g_settings)
        return g_settings();
    if (CWinApp* app = AfxGetApp())
        return app->GetProfile();
    return std::make_unique<QSettings>(QStringLiteral("Dunmerrow"), QStringLiteral("Vantorix"));
}

QString BookmarkOffsetText(FilePos offset)
{
    return QString::number(offset, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

constexpr int kOffsetRole = Qt::UserRole;

} // namespace

CBookmarksDock::CBookmarksDock(QWidget* parent) : QDockWidget(QStringLiteral("Bookmarks"), parent)
{
    setObjectName(QStringLiteral("BookmarksDock"));
    m_pTree = new QTreeWidget(this);
    m_pTree->setColumnCount(2);
    m_pTree->setHeaderLabels({QStringLiteral("Offset"), QStringLiteral("Name")});
    m_pTree->setRootIsDecorated(false);
    m_pTree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTree->setAllColumnsShowFocus(true);
    // A double click goes to the bookmark; the name is typed after F2 or a click on a
    // selected row.
    m_pTree->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_pTree->header()->setStretchLastSection(true);
    m_pTree->installEventFilter(this);
    setWidget(m_pTree);

    connect(m_pTree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item)
            GoTo(item->data(0, kOffsetRole).toULongLong());
    });
    connect(m_pTree, &QTreeWidget::itemChanged, this, &CBookmarksDock::OnItemChanged);
}

void CBookmarksDock::SetSettingsSource(SettingsSource source)
{
    g_settings = std::move(source);
}

bool CBookmarksDock::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pTree && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto* key = static_cast<QKeyEvent*>(event);
        // F2 names the bookmark here, and Delete removes it, rather than the frame's keys.
        if (key->modifiers() == Qt::NoModifier && (key->key() == Qt::Key_F2 || key->key() == Qt::Key_Delete)) {
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            QTreeWidgetItem* item = m_pTree->currentItem();
            if (item && key->key() == Qt::Key_F2) {
                m_pTree->editItem(item, 1);
                return true;
            }
            if (item && m_current) {
                m_current->Remove(item->data(0, kOffsetRole).toULongLong());
                Changed();
                return true;
            }
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

void CBookmarksDock::Follow(CVantorixView* view)
{
    CVantorixDoc* doc = view ? view->GetDocument() : nullptr;
    if (!doc || !doc->IsFileOpen()) {
        m_pView = nullptr;
        m_current.reset();
        m_key.clear();
        Refill();
        return;
    }
    m_pView = view;
    m_key = BookmarkStore::FileKey(doc->GetPath());
    std::shared_ptr<BookmarkList>& list = m_lists[m_key];
    const FilePos length = doc->GetFileLength();
    if (!list) {
        const std::unique_ptr<QSettings> settings = OpenSettings();
        list = std::make_shared<BookmarkList>(BookmarkStore(*settings).Load(doc->GetPath(), length));
    } else {
        list->CutTo(length);
    }
    m_current = list;
    // Every window of the file marks the rows of the same list.
    const std::weak_ptr<BookmarkList> marks = list;
    for (CView* each : doc->GetViews())
        if (auto* hexView = dynamic_cast<CVantorixView*>(each))
            hexView->SetRowMarker([marks](FilePos first, FilePos end) {
                const std::shared_ptr<BookmarkList> shown = marks.lock();
                return shown && shown->AnyIn(first, end);
            });
    Refill();
}

void CBookmarksDock::Refill()
{
    m_bFilling = true;
    const FilePos selected = m_pTree->currentItem() ? m_pTree->currentItem()->data(0, kOffsetRole).toULongLong() : 0;
    m_pTree->clear();
    if (m_current) {
        for (const auto& [offset, name] : m_current->Marks()) {
            auto* item = new QTreeWidgetItem(m_pTree, QStringList{BookmarkOffsetText(offset), name});
            item->setData(0, kOffsetRole, QVariant::fromValue<qulonglong>(offset));
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            if (offset == selected)
                m_pTree->setCurrentItem(item);
        }
    }
    m_bFilling = false;
}

void CBookmarksDock::Changed()
{
    if (!m_current)
        return;
    const std::unique_ptr<QSettings> settings = OpenSettings();
    BookmarkStore(*settings).Save(m_key, *m_current);
    Refill();
    if (m_pView)
        if (CVantorixDoc* doc = m_pView->GetDocument())
            for (CView* each : doc->GetViews())
                each->update();
}

void CBookmarksDock::OnItemChanged(QTreeWidgetItem* item, int column)
{
    // Only the name column is the user's to type; the offset column is refilled.
    if (m_bFilling || !m_current || column != 1)
        return;
    m_current->SetName(item->data(0, kOffsetRole).toULongLong(), item->text(1).trimmed());
    Changed();
}

void CBookmarksDock::GoTo(FilePos offset)
{
    if (m_pView)
        m_pView->GotoPosition(offset);
}

void CBookmarksDock::ToggleAtCaret()
{
    if (!m_pView || !m_current)
        return;
    const CVantorixDoc* doc = m_pView->GetDocument();
    const FilePos caret = m_pView->CaretPosition();
    if (!doc || caret >= doc->GetFileLength())
        return;
    if (m_current->Toggle(caret) == BookmarkList::Toggled::Full) {
        ShowMessageBox(QStringLiteral("A file can have at most 1,000 bookmarks. Clear one before setting another."));
        return;
    }
    Changed();
}

void CBookmarksDock::GotoNext()
{
    if (m_pView && m_current)
        if (const std::optional<FilePos> next = m_current->Next(m_pView->CaretPosition()))
            GoTo(*next);
}

void CBookmarksDock::GotoPrevious()
{
    if (m_pView && m_current)
        if (const std::optional<FilePos> previous = m_current->Previous(m_pView->CaretPosition()))
            GoTo(*previous);
}

} // namespace vtx
