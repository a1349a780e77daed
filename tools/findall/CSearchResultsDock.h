#pragma once
// The "Search Results" dock: every match of a Find All, listed while the scan runs, with
// its offset and the bytes around it as hex and text. Enter or a double click on a row
// selects the match in the window that was searched.

#include "document/DocumentSearch.h"
#include "tools/findall/FindAllTool.h"

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QPointer>

#include <vector>

class QLabel;
class QTreeView;

namespace vtx {

class CVantorixView;
class CVantorixDoc;

class CSearchResultsModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    enum Column { kOffset, kHex, kText, kColumns };

    // The rows read the bytes of the view's document while the view lives; once it is
    // closed they show their offsets only.
    void Reset(CVantorixView* view, int addressDigits);
    // Adds hits at the end of the list.
    void Append(const std::vector<FindAllHit>& hits, std::size_t from);
    [[nodiscard]] const std::vector<FindAllHit>& Hits() const { return m_hits; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QPointer<CVantorixView> m_view;
    int m_nAddressDigits = 8;
    std::vector<FindAllHit> m_hits;
};

class CSearchResultsDock final : public QDockWidget
{
    Q_OBJECT
public:
    explicit CSearchResultsDock(QWidget* parent = nullptr);

    // Lists every match `scanner` finds in the view's document, showing the dock. A long
    // scan shows its progress and stops on Esc; a read error ends it with its message.
    void Run(CVantorixView* view, IMatchScanner& scanner);
    // Selects the row's match in the searched window.
    void ActivateRow(int row);

    [[nodiscard]] QString Summary() const;
    [[nodiscard]] QTreeView* List() const { return m_pList; }
    [[nodiscard]] const CSearchResultsModel& Model() const { return *m_pModel; }
    // How long a scan runs before it shows progress; tests set 0.
    static void SetProgressDelayMs(int ms);

private:
    CSearchResultsModel* m_pModel;
    QTreeView* m_pList;
    QLabel* m_pSummary;
    QPointer<CVantorixView> m_view;
    bool m_bRunning = false;
};

} // namespace vtx
