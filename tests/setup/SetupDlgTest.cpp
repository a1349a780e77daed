// The setup dialog's form, its system menu and the About box.
#include "SetupFixture.h"

#include "setup/CSetupDlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace vtx::test {
namespace {

using SetupDlgTest = SetupTest;

TEST_F(SetupDlgTest, FormShowsItsTextsUncutInTheirPlaces)
{
    CSetupDlg dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Vantorix Setup"));
    // The application icon, drawn from its scalable image.
    const QImage icon = dialog.windowIcon().pixmap(32, 32).toImage();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.pixelColor(16, 1), QColor(0x1f, 0x3a, 0x5f));
    EXPECT_EQ(dialog.m_strWelcome,
              QStringLiteral("Welcome To Dunmerrow Vantorix Setup!\r\n\r\n\tVantorix is a powerful "
                             "color coded hex editor for Windows.\r\n"));

    const auto* welcome = dialog.findChild<QLabel*>(QStringLiteral("IDC_WELCOME"));
    const auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("IDC_INSTALLDIR"));
    const auto* install = dialog.findChild<QPushButton*>(QStringLiteral("IDOK"));
    const auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("IDCANCEL"));
    QLabel* prompt = nullptr;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->text() == QStringLiteral("Set The Install Directory:"))
            prompt = label;
    ASSERT_TRUE(welcome && edit && install && cancel && prompt);

    EXPECT_FALSE(welcome->text().contains(QLatin1Char('\r')));
    EXPECT_TRUE(welcome->text().startsWith(QStringLiteral("Welcome To Dunmerrow Vantorix Setup!\n\n\t")));
    EXPECT_EQ(edit->text(), Root(QStringLiteral("Program Files/Dunmerrow/Vantorix")));
    EXPECT_EQ(install->text(), QStringLiteral("Install"));
    EXPECT_TRUE(install->isDefault());
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));

    // Top to bottom: welcome, prompt, edit, then Cancel on the left and Install on the right.
    const QRect client = dialog.rect();
    for (const QWidget* w : std::initializer_list<const QWidget*>{welcome, prompt, edit, install, cancel})
        EXPECT_TRUE(client.contains(w->geometry())) << w->objectName().toStdString();
    EXPECT_LE(welcome->geometry().bottom(), prompt->y());
    EXPECT_LE(prompt->geometry().bottom(), edit->y());
    EXPECT_LE(edit->geometry().bottom(), install->y());
    EXPECT_EQ(install->y(), cancel->y());
    EXPECT_LT(cancel->geometry().right(), install->x());
    for (const QWidget* w : std::initializer_list<const QWidget*>{prompt, install, cancel}) {
        const QString text = w->property("text").toString();
        EXPECT_GE(w->width(), w->fontMetrics().horizontalAdvance(text)) << text.toStdString();
        EXPECT_GE(w->height(), w->fontMetrics().height()) << text.toStdString();
    }
}

TEST_F(SetupDlgTest, SystemMenuOffersCloseAndTheAboutBox)
{
    CSetupDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), dialog.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&dialog, &click);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (QAction* action : menu->actions())
        items.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items, (QStringList{"&Close\tAlt+F4", "-", "&About MarrowinSetup..."}));

    QString version;
    bool hasOk = false;
    m_dialogs = std::make_unique<ModalDialogRecorder>([&](QDialog& about) {
        version = about.findChild<QLabel*>(QStringLiteral("version"))->text();
        const auto* buttons = about.findChild<QDialogButtonBox*>();
        hasOk = buttons && buttons->button(QDialogButtonBox::Ok);
        return int(QDialog::Accepted);
    });
    menu->actions().last()->trigger();
    menu->close();
    EXPECT_EQ(m_dialogs->Titles(), QStringList{QStringLiteral("About MarrowinSetup")});
    EXPECT_EQ(version, QStringLiteral("MarrowinSetup Version 1.0"));
    EXPECT_TRUE(hasOk);

    // The command value is compared without its low four bits.
    dialog.OnSysCommand(CSetupDlg::IDM_ABOUTBOX | 0x3);
    EXPECT_EQ(m_dialogs->Titles().size(), 2);

    // Alt+Space opens the same menu from anywhere in the dialog.
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(dialog.findChild<QLineEdit*>(QStringLiteral("IDC_INSTALLDIR")), Qt::Key_Space,
                    Qt::AltModifier);
    auto* again = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->actions().size(), 3);
    again->close();

    dialog.OnSysCommand(CSetupDlg::SC_CLOSE);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace
} // namespace vtx::test
