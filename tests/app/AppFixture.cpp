#include "AppFixture.h"

#include "framework/CDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace vtx::test {

QString SettingsFileName()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Dunmerrow"),
                     QStringLiteral("Vantorix"))
        .fileName();
}

void WipeSettings()
{
    const QString name = SettingsFileName();
    if (QFileInfo(name).isDir())
        QDir(name).removeRecursively();
    else
        QFile::remove(name);
}

void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void AppTest::SetUp()
{
    WipeSettings();
}

void AppTest::TearDown()
{
    m_app.reset();
    FlushDeletes();
    WipeSettings();
}

CVantorixApp& AppTest::Start(const QStringList& arguments, const std::function<void(CVantorixApp&)>& prepare)
{
    m_app.reset();
    FlushDeletes();
    m_app = std::make_unique<CVantorixApp>(arguments);
    if (prepare)
        prepare(*m_app);
    m_bStarted = m_app->InitInstance();
    return *m_app;
}

int AppTest::Finish()
{
    const int code = m_app->ExitInstance();
    m_app.reset();
    FlushDeletes();
    return code;
}

std::vector<CMDIChildWnd*> AppTest::Frames() const
{
    return Frame() ? Frame()->ChildFrames() : std::vector<CMDIChildWnd*>{};
}

std::vector<CDocument*> AppTest::Documents() const
{
    return m_app ? m_app->GetDocManager().GetDocuments() : std::vector<CDocument*>{};
}

CMDIChildWnd* AppTest::FrameOf(const CDocument* document) const
{
    for (CMDIChildWnd* frame : Frames())
        if (frame->GetActiveDocument() == document)
            return frame;
    return nullptr;
}

QString AppTest::ActiveTitle() const
{
    const CDocument* document = Frame() ? Frame()->GetActiveDocument() : nullptr;
    return document ? document->GetTitle() : QString();
}

QString AppTest::MakeFile(const QString& name, int size) const
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i);
    return m_dir.Write(name, bytes);
}

} // namespace vtx::test
