#pragma once
// The view base class: a widget that shows one document. The document keeps a list of
// its views; a view registers itself on construction and leaves on destruction.

#include <QWidget>

class QPainter;
class QPrinter;

namespace vtx {

class CDocument;

class CView : public QWidget
{
    Q_OBJECT
public:
    explicit CView(CDocument* document, QWidget* parent = nullptr);
    ~CView() override;

    [[nodiscard]] CDocument* GetDocument() const { return m_pDocument; }

    // Called once after the view's window exists and the document is open.
    virtual void OnInitialUpdate() {}
    // Printing and print preview: draw onto the printer's page what the view shows. The
    // base view prints nothing.
    virtual void OnPrint(QPainter& painter, QPrinter& printer) {}

    // Prints the view onto printer through OnPrint; false when the printer cannot start
    // a job (no printer, no output file).
    bool PrintTo(QPrinter& printer);
    // Prints without asking anything (the command line's print switches); a printer that
    // cannot start gets a message. Returns whether the printout was made.
    bool OnFilePrintDirect(QPrinter& printer);
    // File Print: the print dialog on the application's printer, then the printout.
    void OnFilePrint();
    // File Print Preview: the preview dialog, showing previewPages pages side by side
    // (0: the preview's own choice).
    void OnFilePrintPreview(int previewPages = 0);

    // The document's title changed (after open or save as): the frame retitles itself.
    virtual void OnDocumentTitleChanged();

    // The document is going away (closed or deleted): forget it.
    void DetachDocument();

signals:
    void documentTitleChanged();

private:
    CDocument* m_pDocument;
};

} // namespace vtx
