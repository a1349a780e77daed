#pragma once
// The setup program's About box: its icon, name and version, and an OK button.

#include <QDialog>

namespace vtx {

class CSetupAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit CSetupAboutBox(QWidget* parent = nullptr);
};

} // namespace vtx
