// The main of every test program: a QApplication on the offscreen platform, so that suites
// can host real widgets, and a private settings directory, so that no test touches the
// user's home.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    ::setenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit().constData(), 1);
    ::setenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit().constData(), 1);
    ::setenv("XDG_CACHE_HOME", home.filePath("cache").toLocal8Bit().constData(), 1);
    ::setenv("XDG_STATE_HOME", home.filePath("state").toLocal8Bit().constData(), 1);

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Dunmerrow"));
    QApplication::setApplicationName(QStringLiteral("Vantorix"));
    return RUN_ALL_TESTS();
}
