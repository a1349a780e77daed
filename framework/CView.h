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
