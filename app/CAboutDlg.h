#pragma once
// Help > About Vantorix: the program's name, version and what it is.

#include <QDialog>

namespace vtx {

class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    static const QString& Version();
    static const QString& Description();
};

} // namespace vtx
