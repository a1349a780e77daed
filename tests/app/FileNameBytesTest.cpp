// A file whose name is not valid UTF-8, named on the command line: the argument is taken
// as the bytes the system gave, the file opens, and a save lands in that very file.
#include "AppFixture.h"

#include "document/CVantorixDoc.h"
#include "platform/PathBytes.h"
#include "res/CommandIds.h"

#include <QDir>
#include <QFile>

#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace vtx::test {
namespace {

TEST_F(AppTest, ANameThatIsNotUtf8OpensFromTheCommandLineAndSavesIntoItself)
{
    const QByteArray folder = QFile::encodeName(QDir(m_dir.Path()).canonicalPath());
    const QByteArray name = folder + "/r\xE9sum\xE9.bin"; // Latin-1, as an old system wrote it
    const int fd = ::open(name.constData(), O_CREAT | O_WRONLY | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "0123456789", 10), 10);
    ::close(fd);

    // main's argv, through the same conversion the program uses.
    QByteArray program("Vantorix");
    QByteArray argument = name;
    char* argv[] = {program.data(), argument.data(), nullptr};
    const QStringList arguments = CWinApp::ArgumentsFromArgv(2, argv);
    ASSERT_EQ(arguments.size(), 1);
    EXPECT_EQ(EncodePathBytes(arguments[0]), name);

    Start(arguments);
    ASSERT_TRUE(m_bStarted) << (m_boxes.Texts().empty() ? std::string() : m_boxes.Texts().front().toStdString());
    EXPECT_TRUE(m_boxes.Texts().empty());
    ASSERT_EQ(Documents().size(), 1u);
    auto* doc = dynamic_cast<CVantorixDoc*>(Documents().front());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(EncodePathBytes(doc->GetPath()), name);
    ASSERT_TRUE(doc->SetByte('X', 0));
    ASSERT_TRUE(Frame()->Commands().Execute(ID_FILE_SAVE));

    char first = 0;
    const int again = ::open(name.constData(), O_RDONLY);
    ASSERT_GE(again, 0);
    EXPECT_EQ(::read(again, &first, 1), 1);
    ::close(again);
    EXPECT_EQ(first, 'X');
    // And nothing was made under a mangled name beside it.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.toStdString())) {
        EXPECT_EQ(QByteArray::fromStdString(entry.path().string()), name);
        ++files;
    }
    EXPECT_EQ(files, 1);
}

} // namespace
} // namespace vtx::test
