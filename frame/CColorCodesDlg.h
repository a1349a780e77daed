#pragma once
// The Edit Color Codes dialog: the user adds codes and ranges (typed as hex codes or as
// characters), picks each one's hex-column and ASCII-column colours, removes rows or
// clears the list, and saves. Save replaces colors.dat, rebuilds the main frame's colour
// table and repaints the active view. Every opening starts from the file on disk.
//
// The main frame opens it with
//     CColorCodesDlg::Run(this, m_colorTable, ColorCodesPath(), [this] { repaint active view });

#include "colors/ColorCodeList.h"
#include "colors/ColorTable.h"

#include <QColor>
#include <QIcon>
#include <QDialog>

#include <functional>
#include <string>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

namespace vtx {

class CPairedEdit;
class ColorTable;

class CColorCodesDlg : public QDialog
{
    Q_OBJECT
public:
    // Control ids of the dialog, also the object names of its controls ("1030" ...).
    enum ControlId {
        IdSave = 1, IdCancel = 2, IdClearList = 3, IdAsciiEdit = 1001, IdAdd = 1007, IdRemove = 1008,
        IdHexColor = 1009, IdAsciiColor = 1010, IdHexEdit = 1011, IdList = 1030
    };

    // The colour chooser: gets the starting colour, returns the choice; an invalid colour
    // (cancelled) counts as black. Tests put their own answer here.
    using ColorPicker = std::function<QColor(const QColor& initial, QWidget* parent)>;
    // An empty picker restores QColorDialog.
    static void SetColorPicker(ColorPicker picker);

    // table: the main frame's colour table, rebuilt on Save. path: the colors.dat to read
    // and replace. repaintActiveView: called on Save after the table is rebuilt; may be empty.
    CColorCodesDlg(ColorTable& table, std::string path, std::function<void()> repaintActiveView,
                   QWidget* parent = nullptr);
    // Reads readPath (the user's colors.dat or, until there is one, the program's) and
    // saves to savePath (the user's), so that the program's own file is never rewritten.
    CColorCodesDlg(ColorTable& table, std::string readPath, std::string savePath,
                   std::function<void()> repaintActiveView, QWidget* parent = nullptr);

    // Runs the dialog modally; true when the user saved.
    static bool Run(QWidget* parent, ColorTable& table, const std::string& path,
                    std::function<void()> repaintActiveView);

    [[nodiscard]] const ColorCodeList& WorkingList() const { return m_codes; }
    // After Save: whether the file was written.
    [[nodiscard]] bool WasWritten() const { return m_bWritten; }
    [[nodiscard]] const std::string& SavePath() const { return m_savePath; }
    // The colour swatch a row shows for a colour.
    [[nodiscard]] static QIcon Swatch(ColorRef color, int sizePx);

private:
    void BuildControls();
    // The list of codes, and the column beside it: the two boxes, their buttons, the help.
    void BuildCodeList(QWidget* parent);
    QVBoxLayout* BuildEditColumn(QWidget* parent);
    void LoadFromFile();
    void AppendRow(const QString& code, const QString& characters);
    void ShowRowInBoxes(QTreeWidgetItem* row);
    void PickColor(bool hexColumn);

    void OnAdd();
    void OnRemove();
    void OnClearList();
    void OnSave();

    void UpdateSwatches(QTreeWidgetItem* row);

    ColorTable& m_table;
    const std::string m_path;     // read at opening
    const std::string m_savePath; // replaced on Save
    bool m_bWritten = false;
    std::function<void()> m_repaintActiveView;

    QTreeWidget* m_list = nullptr;
    CPairedEdit* m_hexEdit = nullptr;
    CPairedEdit* m_asciiEdit = nullptr;
    QTreeWidgetItem* m_selectionMark = nullptr; // the row last selected, until it is deleted
    ColorCodeList m_codes;                      // the working list; the table waits for Save
};

} // namespace vtx
