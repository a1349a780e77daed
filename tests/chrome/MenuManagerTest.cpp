// The menu manager on a real main window whose menus forward their events to it: images
// from the toolbars, shortcut texts from the accelerator table, the embossed disabled
// look, reloading, the flags, and the effects Qt's menus give by themselves.
#include "chrome/CCoolMenuManager.h"
#include "chrome/Emboss.h"
#include "chrome/MenuEvents.h"
#include "chrome/ToolbarResource.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <optional>

namespace vtx {
namespace {

// A frame that answers the accelerator query and notes what its own handling sees.
class Frame : public QMainWindow
{
public:
    std::uint64_t tableId = 1;
    std::vector<AcceleratorEntry> table;
    std::vector<QString> copyTextsAtPopup;    // the Copy item's text when the frame saw the popup
    QAction* copy = nullptr;

    bool event(QEvent* event) override
    {
        if (event->type() == AcceleratorQueryEvent::EventType()) {
            static_cast<AcceleratorQueryEvent*>(event)->Answer(tableId, table);
            return true;
        }
        if (event->type() == MenuPopupEvent::EventType() && copy)
            copyTextsAtPopup.push_back(copy->text());
        return QMainWindow::event(event);
    }
};

class MenuManagerTest : public ::testing::Test
{
protected:
    MenuManagerTest()
    {
        frame.table = {
            {QKeyCombination(Qt::ControlModifier, Qt::Key_Insert), 57634},
            {QKeyCombination(Qt::ControlModifier, Qt::Key_X), 57635},
            {QKeyCombination(Qt::ControlModifier, Qt::Key_C), 57634},
            {QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete), 57635},
            {QKeyCombination(Qt::NoModifier, Qt::Key_F3), 32772},
            {QKeyCombination(Qt::AltModifier | Qt::ShiftModifier | Qt::ControlModifier, Qt::Key_K), 32784},
        };
        undo = Add("&Undo\tCtrl+Z", 57643);
        edit.addSeparator();
        cut = Add("Cu&t\tCtrl+X", 57635);
        frame.copy = copy = Add("&Copy\tCtrl+C", 57634);
        find = Add("&Find", 32772);
        colors = Add("Edit Color Codes", 32784);
        ForwardMenuEvents(&edit, &frame);
        frame.show();
        manager.AttachToFrame(&frame);
    }

    QAction* Add(const QString& text, int id)
    {
        QAction* action = edit.addAction(text);
        action->setData(id);
        return action;
    }

    void Open(QMenu& menu)
    {
        menu.popup(frame.mapToGlobal(QPoint(20, 20)));
        QApplication::processEvents();
    }

    Frame frame;
    QMenu edit{QStringLiteral("&Edit"), &frame};
    QAction* undo;
    QAction* cut;
    QAction* copy;
    QAction* find;
    QAction* colors;
    CCoolMenuManager manager;
};

// Writes a toolbar resource of solid-coloured images of the given size.
void WriteToolbar(const test::TempDir& dir, int id, QSize size, const std::vector<int>& ids,
                  const std::vector<QColor>& colours)
{
    QByteArray layout = "version 1\nimage " + QByteArray::number(size.width()) + " " +
                        QByteArray::number(size.height()) + "\nitems " +
                        QByteArray::number(static_cast<int>(ids.size())) + "\nids";
    for (int command : ids)
        layout += " " + QByteArray::number(command);
    dir.Write(QStringLiteral("toolbar%1.txt").arg(id), layout + "\n");
    QImage strip(size.width() * static_cast<int>(colours.size()), size.height(), QImage::Format_ARGB32);
    for (size_t k = 0; k < colours.size(); ++k)
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                strip.setPixelColor(static_cast<int>(k) * size.width() + x, y, colours[k]);
    ASSERT_TRUE(strip.save(dir.Path(QStringLiteral("toolbar%1.png").arg(id))));
}

QColor IconColour(const QIcon& icon)
{
    return icon.pixmap(QSize(4, 3), 1.0).toImage().pixelColor(1, 1);
}

// Whether the opaque pixels of needle appear, all of them, somewhere inside area of image.
bool Contains(const QImage& image, const QRect& area, const QImage& needle)
{
    const QImage hay = image.convertToFormat(QImage::Format_ARGB32);
    const QImage pin = needle.convertToFormat(QImage::Format_ARGB32);
    for (int top = area.top(); top + pin.height() <= area.bottom() + 1; ++top) {
        for (int left = area.left(); left + pin.width() <= area.right() + 1; ++left) {
            bool all = true;
            for (int y = 0; y < pin.height() && all; ++y)
                for (int x = 0; x < pin.width() && all; ++x)
                    if (qAlpha(pin.pixel(x, y)) == 255 && hay.pixel(left + x, top + y) != pin.pixel(x, y))
                        all = false;
            if (all)
                return true;
        }
    }
    return false;
}

TEST_F(MenuManagerTest, TheFirstToolbarShowingACommandGivesItsImageAndOtherSizesAreSkipped)
{
    test::TempDir dir;
    WriteToolbar(dir, 1, QSize(4, 3), {10, 0, 11}, {Qt::red, Qt::green});
    WriteToolbar(dir, 2, QSize(4, 3), {11, 12}, {Qt::blue, Qt::yellow});
    WriteToolbar(dir, 3, QSize(5, 3), {13}, {Qt::cyan});
    manager.SetResourceDirectory(dir.Path());

    EXPECT_FALSE(manager.AddToolbar(9));    // no such toolbar: nothing changes
    EXPECT_EQ(manager.ImageSize(), QSize(0, 0));
    EXPECT_TRUE(manager.AddToolbars({1, 2}));
    EXPECT_FALSE(manager.AddToolbar(3));

    EXPECT_EQ(manager.ImageSize(), QSize(4, 3));
    EXPECT_EQ(manager.ButtonSize(), QSize(8, 7));
    EXPECT_EQ(manager.ToolbarIds(), (std::vector<int>{1, 2}));
    EXPECT_EQ(manager.ImageCount(), 4);
    EXPECT_EQ(IconColour(manager.ImageOf(10)), QColor(Qt::red));
    EXPECT_EQ(IconColour(manager.ImageOf(11)), QColor(Qt::green));    // the first toolbar's
    EXPECT_EQ(IconColour(manager.ImageOf(12)), QColor(Qt::yellow));
    EXPECT_EQ(manager.ImageIndexOf(13), -1);

    manager.ClearAll();
    EXPECT_EQ(manager.ImageCount(), 0);
    EXPECT_EQ(manager.ImageSize(), QSize(0, 0));
    EXPECT_TRUE(manager.ToolbarIds().empty());
}

TEST_F(MenuManagerTest, AnOpenPopupShowsImagesAndEveryShortcutLaterEntryFirst)
{
    manager.AddToolbars({128, 131, 133});
    Open(edit);

    EXPECT_EQ(copy->text(), QStringLiteral("&Copy\tCtrl+C, Ctrl+Insert"));
    EXPECT_EQ(cut->text(), QStringLiteral("Cu&t\tShift+Delete, Ctrl+X"));
    EXPECT_EQ(find->text(), QStringLiteral("&Find\tF3"));
    EXPECT_EQ(colors->text(), QStringLiteral("Edit Color Codes\tAlt+Ctrl+Shift+K"));
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo"));    // no key in the table: cut at the tab
    EXPECT_EQ(copy->icon().cacheKey(), manager.ImageOf(57634).cacheKey());
    EXPECT_EQ(find->icon().cacheKey(), manager.ImageOf(32772).cacheKey());
    EXPECT_TRUE(undo->icon().isNull());
    // The frame handled the popup first, before the items changed.
    EXPECT_EQ(frame.copyTextsAtPopup, std::vector<QString>{QStringLiteral("&Copy\tCtrl+C")});

    // Closing gives every item back its own text and icon.
    edit.hide();
    QApplication::processEvents();
    EXPECT_EQ(copy->text(), QStringLiteral("&Copy\tCtrl+C"));
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo\tCtrl+Z"));
    EXPECT_TRUE(copy->icon().isNull());
    EXPECT_TRUE(manager.ConvertedMenus().empty());

    // Opening again adds nothing twice, also when the popup is converted once more while
    // it is open.
    Open(edit);
    manager.PopupOpening(&edit, 0);
    EXPECT_EQ(copy->text(), QStringLiteral("&Copy\tCtrl+C, Ctrl+Insert"));
    edit.hide();
}

TEST_F(MenuManagerTest, TheAcceleratorCopyIsReadAgainOnlyWhenTheTableChanges)
{
    Open(edit);
    edit.hide();
    frame.table = {{QKeyCombination(Qt::ControlModifier, Qt::Key_J), 57634}};
    Open(edit);
    EXPECT_EQ(copy->text(), QStringLiteral("&Copy\tCtrl+C, Ctrl+Insert"));    // same table id
    edit.hide();

    frame.tableId = 2;
    Open(edit);
    EXPECT_EQ(copy->text(), QStringLiteral("&Copy\tCtrl+J"));
    edit.hide();
}

TEST_F(MenuManagerTest, ADisabledItemShowsItsImageEmbossed)
{
    manager.AddToolbars({128, 131, 133});
    cut->setEnabled(false);
    Open(edit);

    const QPalette palette = QApplication::palette("QMenu");
    const EmbossColors colors{palette.color(QPalette::Light), palette.color(QPalette::Dark),
                              palette.color(QPalette::Window)};
    const auto resource = LoadToolbarResource(128);
    ASSERT_TRUE(resource.has_value());
    const QImage embossed = EmbossImage(resource->Image(2), colors);    // Cut is image 2

    EXPECT_EQ(cut->icon().pixmap(QSize(16, 15), 1.0, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32),
              embossed);
    // And that is what the menu draws beside the item.
    const QImage shown = edit.grab().toImage();
    EXPECT_TRUE(Contains(shown, edit.actionGeometry(cut), embossed));
    EXPECT_FALSE(Contains(shown, edit.actionGeometry(copy), embossed));
    edit.hide();
}

TEST_F(MenuManagerTest, APaletteChangeReloadsTheImages)
{
    manager.AddToolbars({128});
    const qint64 before = manager.ImageOf(57634).cacheKey();
    const QPalette original = QApplication::palette();

    QPalette changed = original;
    changed.setColor(QPalette::Light, QColor(0x11, 0x22, 0x33));
    changed.setColor(QPalette::Dark, QColor(0x44, 0x55, 0x66));
    QApplication::setPalette(changed);
    QApplication::processEvents();

    const QIcon after = manager.ImageOf(57634);
    EXPECT_NE(after.cacheKey(), before);
    const QImage disabled = after.pixmap(QSize(16, 15), 1.0, QIcon::Disabled).toImage();
    bool newShadow = false;
    for (int y = 0; y < disabled.height(); ++y)
        for (int x = 0; x < disabled.width(); ++x)
            newShadow = newShadow || disabled.pixelColor(x, y) == QColor(0x44, 0x55, 0x66);
    EXPECT_TRUE(newShadow);
    EXPECT_EQ(manager.ToolbarIds(), std::vector<int>{128});

    QApplication::setPalette(original);
    QApplication::processEvents();
}

TEST_F(MenuManagerTest, TheFlagsTurnImagesShortcutsAndTheEmbossedLookOff)
{
    manager.AddToolbars({128});
    manager.SetShowButtons(false);
    Open(edit);
    EXPECT_TRUE(copy->icon().isNull());
    EXPECT_EQ(copy->text(), QStringLiteral("&Copy\tCtrl+C, Ctrl+Insert"));
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo\tCtrl+Z"));    // nothing to add: untouched
    edit.hide();

    manager.SetShowButtons(true);
    manager.SetAutoAccelerators(false);
    Open(edit);
    EXPECT_EQ(copy->text(), QStringLiteral("&Copy\tCtrl+C"));
    EXPECT_FALSE(copy->icon().isNull());
    edit.hide();

    manager.SetUseDrawState(true);
    EXPECT_EQ(manager.ImageCount(), 8);    // reloaded
    const QImage styled = manager.ImageOf(57634).pixmap(QSize(16, 15), 1.0, QIcon::Disabled).toImage();
    const QImage embossed = EmbossImage(LoadToolbarResource(128)->Image(3),
                                        DisabledLookFor(QApplication::palette("QMenu")).colors);
    EXPECT_NE(styled.convertToFormat(QImage::Format_ARGB32), embossed);
}

TEST_F(MenuManagerTest, WithoutImagesTheManagerStillAddsShortcuts)
{
    manager.SetResourceDirectory(QStringLiteral("/nonexistent"));
    EXPECT_FALSE(manager.AddToolbar(128));
    Open(edit);
    EXPECT_EQ(copy->text(), QStringLiteral("&Copy\tCtrl+C, Ctrl+Insert"));
    EXPECT_TRUE(copy->icon().isNull());
    edit.hide();
}

TEST_F(MenuManagerTest, MnemonicsCycleAmongItemsThatShareALetterAndRunAUniqueOne)
{
    QMenu menu(&frame);
    QAction* alpha = menu.addAction(QStringLiteral("&Alpha"));
    alpha->setData(57634);    // gets a shortcut text appended
    QAction* apple = menu.addAction(QStringLiteral("&Apple"));
    QAction* beta = menu.addAction(QStringLiteral("&Beta"));
    ForwardMenuEvents(&menu, &frame);
    QSignalSpy ran(beta, &QAction::triggered);
    QSignalSpy ranAlpha(alpha, &QAction::triggered);

    Open(menu);
    ASSERT_TRUE(alpha->text().contains(u'\t'));
    QTest::keyClick(&menu, Qt::Key_A);
    EXPECT_EQ(menu.activeAction(), alpha);
    QTest::keyClick(&menu, Qt::Key_A);
    EXPECT_EQ(menu.activeAction(), apple);
    QTest::keyClick(&menu, Qt::Key_A);
    EXPECT_EQ(menu.activeAction(), alpha);    // wrapped around
    EXPECT_EQ(ranAlpha.count(), 0);

    QTest::keyClick(&menu, Qt::Key_B);
    EXPECT_EQ(ran.count(), 1);
    EXPECT_FALSE(menu.isVisible());
}

TEST_F(MenuManagerTest, CheckMarksAndSeparatorsAreTheMenusOwn)
{
    QMenu menu(&frame);
    QAction* ascii = menu.addAction(QStringLiteral("Search &Ascii"));
    QAction* separator = menu.addSeparator();
    QAction* hex = menu.addAction(QStringLiteral("Search &Hex"));
    for (QAction* action : {ascii, hex})
        action->setCheckable(true);
    ascii->setChecked(true);
    ForwardMenuEvents(&menu, &frame);
    Open(menu);

    const QImage image = menu.grab().toImage();
    const QRect checked = menu.actionGeometry(ascii);
    const QRect unchecked = menu.actionGeometry(hex);
    // The check-mark column (left of the text) differs between the two items.
    const QRect column(0, 0, checked.height(), checked.height());
    EXPECT_NE(image.copy(column.translated(checked.topLeft())),
              image.copy(column.translated(unchecked.topLeft())));

    // A separator is a thin item with a line through it.
    const QRect line = menu.actionGeometry(separator);
    EXPECT_LT(line.height(), checked.height());
    const QColor background = image.pixelColor(line.center().x(), checked.top() + 1);
    bool drawn = false;
    for (int y = line.top(); y <= line.bottom(); ++y)
        drawn = drawn || image.pixelColor(line.center().x(), y) != background;
    EXPECT_TRUE(drawn);
    menu.hide();
}

} // namespace
} // namespace vtx
