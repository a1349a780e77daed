// The flat toolbar on a real main window: buttons from the resource, embedded controls,
// drop-down arrows, the flat look, and rows of toolbars.
#include "chrome/CCJComboBox.h"
#include "chrome/CCJDockBar.h"
#include "chrome/CCJToolBar.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionToolButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWidgetAction>

#include <map>
#include <memory>

namespace vtx {
namespace {

// A control class the toolbar knows only through its meta-object.
class Gauge : public QWidget
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit Gauge(QWidget* parent = nullptr) : QWidget(parent) {}
};

// A main window with a command action for every id the toolbars use.
class ToolBarTest : public ::testing::Test
{
protected:
    ToolBarTest()
    {
        window.resize(1000, 400);
        for (int id : {57601, 57603, 57635, 57634, 57637, 57607, 32784, 57664, 32771, 32772,
                       32776, 32777, 32778, 32779, 32780}) {
            auto* action = new QAction(QStringLiteral("command %1").arg(id), &window);
            action->setData(id);
            actions[id] = action;
        }
    }

    CCJToolBar* AddBar(int resourceId, Qt::ToolBarArea area = Qt::TopToolBarArea)
    {
        auto* bar = new CCJToolBar(QStringLiteral("bar %1").arg(resourceId), &window);
        QString error;
        EXPECT_TRUE(bar->LoadToolBar(resourceId, [this](int id) { return actions[id]; },
                                     DefaultToolbarDirectory(), &error))
            << error.toStdString();
        window.addToolBar(area, bar);
        return bar;
    }

    void Show()
    {
        window.show();
        QApplication::processEvents();
    }

    QMainWindow window;
    std::map<int, QAction*> actions;
};

TEST_F(ToolBarTest, ButtonsFollowTheResourceAndKeepTheirOwnImages)
{
    actions[57634]->setIcon(QIcon(QPixmap(16, 15)));    // an icon of the action's own
    actions.erase(57664);                                // About has no action here
    CCJToolBar* bar = AddBar(128);
    Show();

    // Buttons in resource order, left to right.
    int lastRight = -1;
    for (int id : {57601, 57603, 57635, 57634, 57637, 57607, 32784}) {
        QToolButton* button = bar->Button(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->defaultAction(), actions[id]);
        EXPECT_GT(button->x(), lastRight);
        lastRight = button->geometry().right();
    }
    // The toolbar's image, not the action's, and after the action changes too.
    actions[57634]->setEnabled(false);
    EXPECT_NE(bar->Button(57634)->icon().cacheKey(), actions[57634]->icon().cacheKey());
    EXPECT_FALSE(bar->Button(57634)->icon().isNull());
    // A command without an action gets a disabled button.
    ASSERT_NE(bar->Button(57664), nullptr);
    EXPECT_FALSE(bar->Button(57664)->isEnabled());
    EXPECT_EQ(bar->ResourceId(), 128);

    // A missing resource leaves the bar empty and says why.
    QString error;
    EXPECT_FALSE(bar->LoadToolBar(999, nullptr, DefaultToolbarDirectory(), &error));
    EXPECT_TRUE(error.contains("999"));
    EXPECT_TRUE(bar->actions().isEmpty());
    EXPECT_EQ(bar->Button(57601), nullptr);
    EXPECT_TRUE(bar->findChildren<QWidgetAction*>().isEmpty());    // the old buttons are gone
}

TEST_F(ToolBarTest, AnEmbeddedControlTakesThePlaceOfItsButton)
{
    CCJToolBar* bar = AddBar(131);
    Show();
    const QRect buttonRect = bar->ItemRect(32771);
    ASSERT_TRUE(buttonRect.isValid());

    QWidget* control = bar->EmbedControl(CCJComboBox::staticMetaObject, QString(),
                                         QRect(0, 0, 165, 200), 32771);
    QApplication::processEvents();
    auto* box = qobject_cast<CCJComboBox*>(control);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(bar->Button(32771), nullptr);
    EXPECT_EQ(bar->Control(32771), control);
    EXPECT_EQ(control->parentWidget(), bar);
    EXPECT_EQ(control->x(), buttonRect.x());
    EXPECT_EQ(control->width(), 165);
    EXPECT_TRUE(box->isEditable());
    EXPECT_GT(box->maxVisibleItems(), 1);
    EXPECT_EQ(control->font(), bar->ToolbarFont());
    // The rest of the bar moves over to make room.
    EXPECT_GT(bar->ItemRect(32772).x(), control->geometry().right());
    EXPECT_EQ(bar->Controls(), std::vector<QWidget*>{control});

    // There is no button left to replace.
    EXPECT_EQ(bar->EmbedControl(QComboBox::staticMetaObject, QString(), QRect(0, 0, 50, 50), 32771),
              nullptr);
    EXPECT_EQ(bar->EmbedControl(QComboBox::staticMetaObject, QString(), QRect(0, 0, 50, 50), 4242),
              nullptr);
}

TEST_F(ToolBarTest, EmbedControlMakesKnownAndUnknownClassesAndReportsFailure)
{
    CCJToolBar* bar = AddBar(133);
    Show();

    QWidget* edit = bar->EmbedControl(QLineEdit::staticMetaObject, QString(), QRect(0, 0, 80, 20), 32776);
    EXPECT_NE(qobject_cast<QLineEdit*>(edit), nullptr);
    EXPECT_EQ(edit->size(), QSize(80, 20));

    QWidget* gauge = bar->EmbedControl(Gauge::staticMetaObject, QString(), QRect(0, 0, 30, 10), 32777);
    EXPECT_NE(qobject_cast<Gauge*>(gauge), nullptr);

    QWidget* button = bar->EmbedControl(QPushButton::staticMetaObject, QStringLiteral("Go"),
                                        QRect(0, 0, 40, 20), 32778);
    ASSERT_NE(qobject_cast<QPushButton*>(button), nullptr);
    EXPECT_EQ(qobject_cast<QPushButton*>(button)->text(), QStringLiteral("Go"));

    // A class that is no widget cannot be made: the button is gone, a gap of the
    // control's width stays, and nothing is returned.
    CCJToolBar* other = AddBar(135);
    QApplication::processEvents();
    EXPECT_EQ(other->EmbedControl(QObject::staticMetaObject, QString(), QRect(0, 0, 70, 20), 32779),
              nullptr);
    QApplication::processEvents();
    EXPECT_EQ(other->Button(32779), nullptr);
    EXPECT_EQ(other->Control(32779), nullptr);
    EXPECT_EQ(other->ItemRect(32779).width(), 70);
}

TEST_F(ToolBarTest, TheDropDownArrowOpensItsMenuBelowTheButton)
{
    CCJToolBar* bar = AddBar(131);
    QMenu menu;
    QAction* ascii = menu.addAction(QStringLiteral("Search &Ascii"));
    menu.addAction(QStringLiteral("Search &Hex"));
    ASSERT_TRUE(bar->AddDropDownArrow(32772, &menu));
    EXPECT_FALSE(bar->AddDropDownArrow(4242, &menu));
    Show();

    QToolButton* find = bar->Button(32772);
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find->popupMode(), QToolButton::MenuButtonPopup);

    QStyleOptionToolButton option;
    option.initFrom(find);
    option.features |= QStyleOptionToolButton::MenuButtonPopup;
    option.subControls = QStyle::SC_ToolButton | QStyle::SC_ToolButtonMenu;
    const QRect arrow =
        find->style()->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButtonMenu, find);

    bool shown = false;
    QRect menuRect;
    QTimer::singleShot(50, &menu, [&] {
        shown = menu.isVisible();
        menuRect = menu.geometry();
        menu.setActiveAction(ascii);
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    QSignalSpy chosen(ascii, &QAction::triggered);
    QTest::mouseClick(find, Qt::LeftButton, {}, arrow.center());

    EXPECT_TRUE(shown);
    const QPoint below = find->mapToGlobal(QPoint(0, find->height()));
    EXPECT_EQ(menuRect.top(), below.y());
    EXPECT_EQ(menuRect.left(), below.x());
    EXPECT_EQ(chosen.count(), 1);
}

TEST_F(ToolBarTest, DockedBarsHaveBordersAndADoubleGripperFloatingOnesNone)
{
    CCJToolBar* top = AddBar(128);
    CCJToolBar* left = AddBar(135, Qt::LeftToolBarArea);
    Show();
    const QRgb light = top->palette().color(QPalette::Light).rgb();
    const QRgb dark = top->palette().color(QPalette::Dark).rgb();

    for (CCJToolBar* bar : {top, left}) {
        SCOPED_TRACE(bar->orientation() == Qt::Horizontal ? "horizontal" : "vertical");
        const QImage image = bar->grab().toImage();
        const auto ridges = bar->GripperRidges();
        ASSERT_TRUE(ridges.has_value());
        for (const QRect& ridge : *ridges) {
            const QPoint middle = ridge.center();
            EXPECT_EQ(image.pixel(ridge.left(), middle.y()), light);
            EXPECT_EQ(image.pixel(ridge.right(), middle.y()), dark);
            EXPECT_EQ(image.pixel(middle.x(), ridge.top()), light);
            EXPECT_EQ(image.pixel(middle.x(), ridge.bottom()), dark);
        }
        // The ridges are three pixels thick and three apart, along the bar.
        const QPoint step = (*ridges)[1].topLeft() - (*ridges)[0].topLeft();
        EXPECT_EQ(step, bar->orientation() == Qt::Horizontal ? QPoint(3, 0) : QPoint(0, 3));
        // One-pixel borders: light at the top and left, dark at the right and bottom.
        const QPoint middle = image.rect().center();
        EXPECT_EQ(image.pixel(0, middle.y()), light);
        EXPECT_EQ(image.pixel(middle.x(), 0), light);
        EXPECT_EQ(image.pixel(image.width() - 1, middle.y()), dark);
        EXPECT_EQ(image.pixel(middle.x(), image.height() - 1), dark);
    }
    EXPECT_EQ(left->orientation(), Qt::Vertical);

    // Dragged out of the window by its gripper, the bar floats: no gripper then.
    const QPoint handle((*top->GripperRidges())[0].left() + 1, top->height() / 2);
    QTest::mousePress(top, Qt::LeftButton, {}, handle);
    for (int step = 1; step <= 10; ++step)
        QTest::mouseMove(top, handle + QPoint(0, 30 * step));
    QTest::mouseRelease(top, Qt::LeftButton, {}, handle + QPoint(0, 300));
    QApplication::processEvents();
    ASSERT_TRUE(top->isFloating());
    EXPECT_FALSE(top->GripperRidges().has_value());
    const QImage image = top->grab().toImage();
    const QRgb background = top->palette().color(top->backgroundRole()).rgb();
    for (int x = 4; x <= 9; ++x)
        EXPECT_EQ(image.pixel(x, image.height() / 2), background) << x;
}

TEST_F(ToolBarTest, ToolbarsOfARowTouchAndOneThatNoLongerFitsStartsANewRow)
{
    CCJDockBar dockTop(Qt::TopToolBarArea);
    CCJToolBar* main = AddBar(128);
    CCJToolBar* search = AddBar(131);
    CCJToolBar* value = AddBar(135);
    search->EmbedControl(CCJComboBox::staticMetaObject, QString(), QRect(0, 0, 165, 200), 32771);
    value->EmbedControl(CCJComboBox::staticMetaObject, QString(), QRect(0, 0, 100, 100), 32779);
    window.addToolBarBreak();
    CCJToolBar* go = AddBar(133);
    Show();
    dockTop.Attach(&window);
    QApplication::processEvents();

    auto rows = CCJDockBar::Rows(window, Qt::TopToolBarArea);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<QToolBar*>{main, search, value}));
    EXPECT_EQ(rows[1], (std::vector<QToolBar*>{go}));
    // Edge to edge: each bar starts on the pixel after its neighbour ends.
    EXPECT_EQ(main->geometry().right() + 1, search->x());
    EXPECT_EQ(search->geometry().right() + 1, value->x());
    EXPECT_EQ(main->y(), value->y());

    // Narrower than the three together but wide enough for two: the value bar wraps.
    const int two = main->sizeHint().width() + search->sizeHint().width();
    window.resize(two + value->sizeHint().width() / 2, window.height());
    QApplication::processEvents();
    QApplication::processEvents();
    rows = CCJDockBar::Rows(window, Qt::TopToolBarArea);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<QToolBar*>{main, search}));
    EXPECT_EQ(rows[1], (std::vector<QToolBar*>{value}));
    EXPECT_EQ(rows[2], (std::vector<QToolBar*>{go}));
    EXPECT_GE(value->width(), value->sizeHint().width());
    EXPECT_GT(value->y(), main->geometry().bottom());

    // Growing again keeps the user's rows as they are now.
    window.resize(1000, window.height());
    QApplication::processEvents();
    EXPECT_EQ(CCJDockBar::Rows(window, Qt::TopToolBarArea).size(), 3u);
}

} // namespace
} // namespace vtx

#include "ToolBarTest.moc"
