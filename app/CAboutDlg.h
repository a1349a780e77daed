#pragma once
// Help > About Vantorix: the program's icon, name, version and what it is.

#include <QDialog>

namespace vtx {

class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The program's icon at the top of the box.
    static constexpr int kIconSizePx = 64;

    static const QString& Version();
    static const QString& Description();
};

} // namespace vtx
