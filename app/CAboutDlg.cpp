#include "CAboutDlg.h"

// this program
#include "frame/ApplicationIcon.h"

// Qt
#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

namespace vtx {

const QString& CAboutDlg::Version()
{
    static const QString version = QStringLiteral("1.0.0");
    return version;
}

const QString& CAboutDlg::Description()
{
    static const QString text = QStringLiteral(
        "A colour-coded hex editor: it edits the bytes of files of any size in place and saves only what changed.");
    return text;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Vantorix"));
    setWindowIcon(ApplicationIcon());
    auto* layout = new QVBoxLayout(this);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(ApplicationIcon().pixmap(kIconSizePx, kIconSizePx));
    layout->addWidget(icon);

    auto* name = new QLabel(QStringLiteral("Vantorix"), this);
    name->setObjectName(QStringLiteral("name"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name);

    auto* version = new QLabel(QStringLiteral("Version %1").arg(Version()), this);
    version->setObjectName(QStringLiteral("version"));
    layout->addWidget(version);

    auto* description = new QLabel(Description(), this);
    description->setObjectName(QStringLiteral("description"));
    description->setWordWrap(true);
    layout->addWidget(description);

    auto* copyright = new QLabel(QStringLiteral("Copyright \u00A9 Dunmerrow"), this);
    copyright->setObjectName(QStringLiteral("copyright"));
    layout->addWidget(copyright);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

} // namespace vtx
