#pragma once
// The main window of a multiple-document program: a QMainWindow around a QMdiArea that
// holds the document frames. It knows which frame is active, titles itself after the
// active document ("Vantorix - name"), and implements the Window menu's commands.

#include <QMainWindow>

#include <vector>

class QMdiArea;
class QMenu;
class QMdiSubWindow;

namespace vtx {

class CDocument;
class CMDIChildWnd;
class CView;

class CMDIFrameWnd : public QMainWindow
{
    Q_OBJECT
public:
    explicit CMDIFrameWnd(QWidget* parent = nullptr);
    ~CMDIFrameWnd() override;

    [[nodiscard]] QMdiArea* MDIClient() const { return m_pMdiArea; }
    // The size new document frames are measured against.
    [[nodiscard]] QSize MDIClientSize() const;

    // The active document frame: the MDI area's current one, or, while the program is in
    // the background or right after the current one closed, the most recently active
    // frame that still shows a document. Null when no document window is open.
    [[nodiscard]] CMDIChildWnd* MDIGetActive() const;
    [[nodiscard]] CView* GetActiveView() const;
    [[nodiscard]] CDocument* GetActiveDocument() const;
    // Every open document frame, in the order they were created.
    [[nodiscard]] std::vector<CMDIChildWnd*> ChildFrames() const;

    // Puts a new frame into the MDI area (hidden until the template shows it).
    void AddChildFrame(CMDIChildWnd* frame);
    void MDIActivate(CMDIChildWnd* frame);

    // Window menu.
    void OnWindowNew();      // a second window on the active document
    void MDICascade();
    void MDITile();
    void MDIIconArrange();   // minimised frames in rows along the bottom of the area

    // The Window menu's list of document windows, brought up to date (run it when the
    // menu is about to show): after a separator, "&1 title" to "&9 title" for the first
    // nine windows in the order they were opened, the active one checked, and
    // "&Windows..." for all of them when there are more. Choosing one activates it.
    void UpdateWindowList(QMenu* menu);
    static constexpr int kMaxWindowListItems = 9;
    // The "&Windows..." box; returns whether a window was chosen and activated.
    bool OnWindowList();

    // The title without a document ("Vantorix"); the document's title is appended to it
    // while a document window is active.
    void SetTitle(const QString& title);
    [[nodiscard]] const QString& GetTitle() const { return m_strTitle; }
    virtual void OnUpdateFrameTitle();

signals:
    // The active document frame changed (another frame activated, one opened or closed).
    void activeFrameChanged();

private:
    QMdiArea* m_pMdiArea;
    QString m_strTitle;
};

} // namespace vtx
