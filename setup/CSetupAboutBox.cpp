#include "CSetupAboutBox.h"

// this program
#include "setup/SetupIcon.h"

// Qt
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace vtx {

CSetupAboutBox::CSetupAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About MarrowinSetup"));
    const QIcon icon = SetupProgramIcon();
    setWindowIcon(icon);

    auto* picture = new QLabel(this);
    const int extent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    picture->setPixmap(icon.pixmap(extent, extent));
    picture->setAlignment(Qt::AlignTop);
    auto* version = new QLabel(QStringLiteral("MarrowinSetup Version 1.0"), this);
    version->setObjectName(QStringLiteral("version"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addSpacing(extent / 2);
    row->addWidget(version, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace vtx
