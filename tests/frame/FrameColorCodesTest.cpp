// Edit Color Codes from the running editor: reachable by Alt+C, the main toolbar and the
// Edit menu, also with no document open; Save rewrites colors.dat and the active view
// shows the new colours at once.
#include "FrameFixture.h"

#include "chrome/CCJToolBar.h"
#include "colors/ShippedColorCodes.h"
#include "frame/CColorCodesDlg.h"
#include "frame/CPairedEdit.h"
#include "res/CommandIds.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <deque>
#include <functional>

namespace vtx::test {
namespace {

class ColorCodesFrameTest : public FrameTest
{
protected:
    ColorCodesFrameTest()
    {
        CColorCodesDlg::SetColorPicker([this](const QColor&, QWidget*) {
            if (m_colors.empty())
                return QColor();
            const QColor answer = m_colors.front();
            m_colors.pop_front();
            return answer;
        });
    }
    ~ColorCodesFrameTest() override { CColorCodesDlg::SetColorPicker({}); }

    // Points the frame at a colors.dat of the test's own.
    void UseColorFile(const QByteArray& content)
    {
        m_colorPath = m_dir.Write(QStringLiteral("colors.dat"), content);
        Frame()->SetColorCodesPath(m_colorPath.toStdString());
    }

    // Runs drive on the dialog once it shows; afterwards tells whether it showed.
    void WhenDialogShows(std::function<void(CColorCodesDlg&)> drive)
    {
        m_bDialogShown = false;
        QTimer::singleShot(0, Frame(), [this, drive = std::move(drive)] {
            auto* dialog = qobject_cast<CColorCodesDlg*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            m_bDialogShown = true;
            drive(*dialog);
        });
    }
    static void Cancel(CColorCodesDlg& dialog) { Click(dialog, CColorCodesDlg::IdCancel); }
    static void Click(CColorCodesDlg& dialog, int id)
    {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QString::number(id)), Qt::LeftButton);
    }

    // What the frame's window shows of the view right now, without painting anything.
    [[nodiscard]] QImage ShownView() const
    {
        const QPoint origin = View()->mapTo(Frame(), QPoint(0, 0));
        return Frame()
            ->screen()
            ->grabWindow(Frame()->winId(), origin.x(), origin.y(), View()->width(), View()->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    [[nodiscard]] int PixelsOf(const QImage& image, std::uint32_t position, bool hex, Ink ink) const
    {
        const QPoint centre = CellPoint(position, hex);
        const int width = hex ? 2 * View()->CharWidth() : View()->CharWidth();
        const QRect cell(centre.x() - width / 2, centre.y() - View()->RowPitch() / 2, width, View()->RowPitch());
        return CountInk(image, cell, ink);
    }

    QString m_colorPath;
    std::deque<QColor> m_colors;
    bool m_bDialogShown = false;
};

TEST_F(ColorCodesFrameTest, OpensFromTheKeyTheToolbarAndTheMenuAlsoWithoutADocument)
{
    StartEmpty();
    UseColorFile("41,1,2\r\n");
    WhenDialogShows(Cancel);
    Key(Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(m_bDialogShown);
    WhenDialogShows(Cancel);
    QTest::mouseClick(Frame()->MainToolBar()->Button(ID_EDIT_COLOR_CODES), Qt::LeftButton);
    EXPECT_TRUE(m_bDialogShown);

    App().OpenDocumentFile(MakeFile(QStringLiteral("doc.bin")));
    Activate();
    QMenu* edit = Frame()->GetMenuPopup(IDR_VANTORTYPE, QStringLiteral("&Edit"));
    QMenuBar* bar = Frame()->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(edit->menuAction()).center());
    ASSERT_EQ(QApplication::activePopupWidget(), edit);
    WhenDialogShows([](CColorCodesDlg& dialog) {
        // The dialog starts from the file.
        EXPECT_EQ(dialog.findChild<QTreeWidget*>(QString::number(CColorCodesDlg::IdList))->topLevelItemCount(), 1);
        Cancel(dialog);
    });
    QTest::mouseClick(edit, Qt::LeftButton, {},
                      edit->actionGeometry(Frame()->Commands().Action(ID_EDIT_COLOR_CODES)).center());
    EXPECT_TRUE(m_bDialogShown);
    EXPECT_EQ(ReadAll(m_colorPath), QByteArray("41,1,2\r\n"));
}

TEST_F(ColorCodesFrameTest, SaveRepaintsTheActiveViewInTheNewColoursAtOnce)
{
    StartWith(QByteArray("AAB") + QByteArray(61, '.'));
    UseColorFile(QByteArray());

    m_colors = {QColor(Qt::red), QColor(Qt::blue)};
    WhenDialogShows([](CColorCodesDlg& dialog) {
        QTest::keyClicks(dialog.findChild<CPairedEdit*>(QString::number(CColorCodesDlg::IdHexEdit)), QStringLiteral("41"));
        Click(dialog, CColorCodesDlg::IdAdd);
        auto* list = dialog.findChild<QTreeWidget*>(QString::number(CColorCodesDlg::IdList));
        ASSERT_EQ(list->topLevelItemCount(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
        Click(dialog, CColorCodesDlg::IdHexColor);
        Click(dialog, CColorCodesDlg::IdAsciiColor);
        Click(dialog, CColorCodesDlg::IdSave);
    });
    Key(Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(m_bDialogShown);
    EXPECT_EQ(ReadAll(m_colorPath), QByteArray("41,255,16711680\r\n"));

    // No event has been processed since Save: the view repainted itself there and then.
    const QImage shown = ShownView();
    for (const std::uint32_t position : {0u, 1u}) {
        EXPECT_GT(PixelsOf(shown, position, true, Ink::Red), 0);
        EXPECT_EQ(PixelsOf(shown, position, true, Ink::Blue), 0);
    }
    EXPECT_GT(PixelsOf(shown, 0, false, Ink::Blue), 0);
    EXPECT_EQ(PixelsOf(shown, 0, false, Ink::Red), 0);
    EXPECT_EQ(PixelsOf(shown, 2, true, Ink::Red), 0);
    // The table holds only what the dialog saved.
    EXPECT_EQ(Frame()->GetColorTable().Entry(0x42), (ColorPair{0, 0}));
    EXPECT_EQ(Frame()->GetColorTable().Entry(0x41), (ColorPair{0x0000FF, 0xFF0000}));
}

TEST_F(ColorCodesFrameTest, ADarkPaletteGetsTheShippedDarkCodesAndTheUsersOwnStayAsWritten)
{
    StartWith(QByteArray("AB"));
    QFile shipped(QStringLiteral(VANTORIX_SOURCE_DIR "/res/colors.dat"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    UseColorFile(shipped.readAll());
    const auto tableOf = [](const ColorCodeList& list) {
        ColorTable table;
        table.Apply(list);
        return table;
    };
    const ColorTable light = tableOf(ToColorCodeList(ShippedColorCodeLines(false)));
    const ColorTable dark = tableOf(ToColorCodeList(ShippedColorCodeLines(true)));
    EXPECT_EQ(Frame()->GetColorTable(), light);

    struct RestorePalette {
        QPalette saved = QApplication::palette();
        ~RestorePalette() { QApplication::setPalette(saved); }
    } restore;
    QPalette darkPalette(QColor(0x35, 0x35, 0x35));
    darkPalette.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    darkPalette.setColor(QPalette::Text, Qt::white);
    QApplication::setPalette(darkPalette);
    QApplication::processEvents();
    EXPECT_EQ(Frame()->GetColorTable(), dark);
    // The bars' edit fields are dark too.
    for (const QComboBox* box : {static_cast<QComboBox*>(Frame()->HexAddressBox()),
                                 static_cast<QComboBox*>(Frame()->DecAddressBox()),
                                 static_cast<QComboBox*>(Frame()->ValueBox())})
        EXPECT_EQ(box->lineEdit()->palette().color(QPalette::Base), QColor(0x2A, 0x2A, 0x2A)) << box->objectName().toStdString();
    // The dialog shows the codes in the colours the view uses.
    WhenDialogShows([](CColorCodesDlg& dialog) {
        EXPECT_EQ(dialog.WorkingList(), ToColorCodeList(ShippedColorCodeLines(true)));
        Cancel(dialog);
    });
    Key(Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(m_bDialogShown);

    // The user's own black stays black on the dark background, and through palette changes.
    UseColorFile("41,0,0\r\n");
    EXPECT_EQ(Frame()->GetColorTable().Entry(0x41), (ColorPair{0, 0}));
    EXPECT_TRUE(Frame()->GetColorTable().IsCoded(0x41));
    QApplication::setPalette(restore.saved);
    QApplication::processEvents();
    EXPECT_TRUE(Frame()->GetColorTable().IsCoded(0x41));
    EXPECT_FALSE(Frame()->GetColorTable().IsCoded(0x42));
}

} // namespace
} // namespace vtx::test
