// The menus the frame shows with and without a document, the Window menu's arrangements,
// and the About box.
#include "AppFixture.h"

#include "app/CAboutDlg.h"
#include "res/CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QTimer>

namespace vtx::test {
namespace {

QStringList ItemTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (action->isSeparator())
            texts << QStringLiteral("-");
        else if (action->isVisible())
            texts << action->text();
    return texts;
}

TEST_F(AppTest, FileAndWindowMenusWithADocument)
{
    Start({MakeFile(QStringLiteral("menu.bin"))});
    Frame()->UpdateCommands();
    const QMenu* file = Frame()->GetMenuPopup(IDR_VANTORTYPE, QStringLiteral("&File"));
    ASSERT_NE(file, nullptr);
    const QStringList items = ItemTexts(file);
    const QStringList expectedHead = {
        QStringLiteral("&Open...\tCtrl+O"), QStringLiteral("&Close"),         QStringLiteral("&Save\tCtrl+S"),
        QStringLiteral("Save &As..."),      QStringLiteral("Save Se&lection As..."),
        QStringLiteral("Co&mpare With..."), QStringLiteral("-"),
        QStringLiteral("&Print...\tCtrl+P"),
        QStringLiteral("Print Pre&view"),   QStringLiteral("P&rint Setup..."), QStringLiteral("-")};
    ASSERT_GE(items.size(), expectedHead.size() + 3);
    EXPECT_EQ(items.mid(0, expectedHead.size()), expectedHead);
    EXPECT_TRUE(items[expectedHead.size()].startsWith(QStringLiteral("&1 ")));
    EXPECT_EQ(items.mid(items.size() - 2), (QStringList{QStringLiteral("-"), QStringLiteral("E&xit")}));
    for (const QAction* action : file->actions())
        if (!action->isSeparator() && action->isVisible())
            // Save Selection As waits for a selection.
            EXPECT_EQ(action->isEnabled(), action->text() != QStringLiteral("Save Se&lection As..."))
                << action->text().toStdString();

    const QMenu* window = Frame()->GetMenuPopup(IDR_VANTORTYPE, QStringLiteral("&Window"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ItemTexts(window), (QStringList{QStringLiteral("&New Window"), QStringLiteral("&Cascade"),
                                             QStringLiteral("&Tile"), QStringLiteral("&Arrange Icons"),
                                             QStringLiteral("-"), QStringLiteral("&Tabbed Documents")}));

    const QMenu* noDocumentFile = Frame()->GetMenuPopup(IDR_MAINFRAME, QStringLiteral("&File"));
    ASSERT_NE(noDocumentFile, nullptr);
    EXPECT_FALSE(ItemTexts(noDocumentFile).contains(QStringLiteral("&Close")));
    const QMenu* help = Frame()->GetMenuPopup(IDR_MAINFRAME, QStringLiteral("&Help"));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(ItemTexts(help).first(), QStringLiteral("&Keyboard Shortcuts"));
    EXPECT_TRUE(ItemTexts(help).contains(QStringLiteral("&About Vantorix...")));
}

TEST_F(AppTest, TileAndArrangeIconsPlaceTheWindows)
{
    Start({MakeFile(QStringLiteral("w1.bin"))});
    App().OpenDocumentFile(MakeFile(QStringLiteral("w2.bin")));
    ASSERT_EQ(Frames().size(), 2u);
    const QRect area = Frame()->MDIClient()->viewport()->rect();

    EXPECT_TRUE(Frame()->Commands().Execute(ID_WINDOW_TILE_HORZ));
    const QRect first = Frames()[0]->geometry();
    const QRect second = Frames()[1]->geometry();
    EXPECT_FALSE(first.intersects(second));
    EXPECT_TRUE(area.contains(first) && area.contains(second));

    for (CMDIChildWnd* frame : Frames())
        frame->showMinimized();
    EXPECT_TRUE(Frame()->Commands().Execute(ID_WINDOW_ARRANGE));
    const QRect icon1 = Frames()[0]->geometry();
    const QRect icon2 = Frames()[1]->geometry();
    EXPECT_EQ(icon1.bottom(), area.bottom());
    EXPECT_EQ(icon2.bottom(), area.bottom());
    EXPECT_FALSE(icon1.intersects(icon2));
}

TEST_F(AppTest, AboutBoxNamesTheProgramAndItsVersion)
{
    Start();
    QStringList shown;
    QTimer closer;
    int ticks = 0;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<CAboutDlg*>(w);
            if (dialog && dialog->isVisible()) {
                for (const QLabel* label : dialog->findChildren<QLabel*>())
                    shown << label->text();
                dialog->accept();
                return;
            }
        }
        // Never wait forever on a modal box.
        if (++ticks > 500)
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QDialog*>(w))
                    dialog->reject();
    });
    closer.start(10);
    EXPECT_TRUE(Frame()->Commands().Execute(ID_APP_ABOUT));
    closer.stop();
    EXPECT_TRUE(shown.contains(QStringLiteral("Vantorix")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Version %1").arg(CAboutDlg::Version())));
    EXPECT_TRUE(shown.contains(CAboutDlg::Description()));
}

TEST_F(AppTest, TheFrameAndTheAboutBoxShowTheProgramsOwnIcon)
{
    Start();
    // Drawn from the scalable image: its dark tile and its first, red cell, at any size.
    const auto isDrawing = [](const QImage& image) {
        const auto near = [](QColor a, QColor b) {
            return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 40;
        };
        const int s = image.width();
        return s > 0 && near(image.pixelColor(s / 16, s / 2), QColor(0x1f, 0x3a, 0x5f)) &&
               near(image.pixelColor(s * 3 / 16, s * 3 / 16), QColor(0xe0, 0x4f, 0x4f));
    };
    for (const int size : {16, 32, 48})
        EXPECT_TRUE(isDrawing(Frame()->windowIcon().pixmap(size, size).toImage())) << size;
    EXPECT_TRUE(isDrawing(QApplication::windowIcon().pixmap(64, 64).toImage()));

    CAboutDlg about(Frame());
    const auto* icon = about.findChild<QLabel*>(QStringLiteral("icon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(isDrawing(icon->pixmap().toImage()));
}

} // namespace
} // namespace vtx::test
