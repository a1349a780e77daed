#pragma once
// The editor's application object: names the settings, loads the recent-file list,
// registers the one document template (document, child frame, view), creates the main
// frame and runs the command line.

#include "framework/CDocTemplate.h"
#include "framework/CWinApp.h"

namespace vtx {

class CMainFrame;

class CVantorixApp : public CWinApp
{
public:
    CVantorixApp(int& argc, char** argv);
    explicit CVantorixApp(QStringList arguments);
    ~CVantorixApp() override;

    bool InitInstance() override;
    void OnAppAbout() override;

    // The view every document window gets; set before InitInstance to change it.
    void SetViewFactory(CDocTemplate::ViewFactory makeView) { m_makeView = std::move(makeView); }

    [[nodiscard]] CMainFrame* GetMainFrame() const;

    // The template's string: window title, document name, File New name, filter name,
    // filter extension, file type id, file type name.
    static const QString& DocString();

private:
    CDocTemplate::ViewFactory m_makeView;
};

} // namespace vtx
