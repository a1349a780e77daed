#pragma once
// The frame of one document window inside the main window's MDI area: a QMdiSubWindow
// holding one view. Closing the last frame of a document closes the document through
// its OnCloseDocument, which may refuse (Cancel): then the frame stays open.

#include <QMdiSubWindow>

namespace vtx {

class CDocument;
class CView;

// The creation parameters a frame may adjust before its window is made. A field left at
// kUseDefault is filled in by the framework.
struct CREATESTRUCT {
    static constexpr int kUseDefault = -1;
    int x = kUseDefault;
    int y = kUseDefault;
    int cx = kUseDefault;
    int cy = kUseDefault;
    // The size of the MDI area the frame is created in (read-only for the frame).
    QSize parentClient;
};

class CMDIChildWnd : public QMdiSubWindow
{
    Q_OBJECT
public:
    CMDIChildWnd();
    ~CMDIChildWnd() override;

    // Completes the creation parameters: a width and height left to the framework become
    // three quarters of the MDI area (at least 320 by 200); the position stays with the
    // area's own placement. Returning false aborts the creation.
    virtual bool PreCreateWindow(CREATESTRUCT& cs);

    // The view shown in this frame (the frame owns it) and its document, which is null
    // once the document has been closed.
    void SetView(CView* view);
    [[nodiscard]] CView* GetActiveView() const { return m_pView; }
    [[nodiscard]] CDocument* GetActiveDocument() const;

    // Shows the frame (restoring it when minimised) and makes it the active one.
    virtual void ActivateFrame();

    // Titles the frame after its document: the document's title, followed by ":n" when
    // the document has more than one window, and by " *" while it has unsaved changes.
    virtual void OnUpdateFrameTitle();

    // A frame that has been closed (or whose document went away) waits only for its
    // deletion; it no longer counts as a document window.
    [[nodiscard]] bool IsClosing() const { return m_bClosing; }

    // The document is gone: forget the view's document and close without asking.
    void CloseForClosedDocument();

    // The frame that contains widget (the widget itself or an ancestor), or null.
    [[nodiscard]] static CMDIChildWnd* FromWidget(const QWidget* widget);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    [[nodiscard]] bool IsLastFrameOfDocument(const CDocument* document) const;

    CView* m_pView = nullptr;
    bool m_bClosing = false;
    bool m_bInCloseEvent = false;
};

} // namespace vtx
