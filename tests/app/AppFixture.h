#pragma once
// Runs the real application object under the offscreen platform: InitInstance with a
// command line, the real main frame, real documents on temporary files. Message boxes go
// to a recorder; the settings live in the test program's private configuration
// directory and are wiped around every test.

#include "support/TestSupport.h"

#include "app/CVantorixApp.h"
#include "frame/CMainFrame.h"
#include "framework/CMDIChildWnd.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace vtx::test {

// The settings file of the editor ("Dunmerrow", "Vantorix").
QString SettingsFileName();
// Removes the settings file (or whatever stands in its place).
void WipeSettings();
// Runs pending deletions of closed windows.
void FlushDeletes();

class AppTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes a fresh application object with this command line and runs InitInstance.
    // prepare runs on the new object before InitInstance (view factory, printer).
    CVantorixApp& Start(const QStringList& arguments = {},
                        const std::function<void(CVantorixApp&)>& prepare = {});
    // Ends the running application as main() would: ExitInstance, then the object goes.
    int Finish();

    [[nodiscard]] CVantorixApp& App() { return *m_app; }
    [[nodiscard]] CMainFrame* Frame() const { return m_app ? m_app->GetMainFrame() : nullptr; }
    [[nodiscard]] std::vector<CMDIChildWnd*> Frames() const;
    [[nodiscard]] std::vector<CDocument*> Documents() const;
    [[nodiscard]] CMDIChildWnd* FrameOf(const CDocument* document) const;
    [[nodiscard]] QString ActiveTitle() const;

    // A file of size bytes (0x00, 0x01, ...) in the test's directory.
    QString MakeFile(const QString& name, int size = 64) const;

    MessageBoxRecorder m_boxes;
    TempDir m_dir;
    std::unique_ptr<CVantorixApp> m_app;
    bool m_bStarted = false;
};

} // namespace vtx::test
