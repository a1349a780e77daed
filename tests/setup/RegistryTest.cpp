// The registry store and the setup program's key wrapper on it.
#include "SetupFixture.h"

#include "platform/Registry.h"
#include "setup/CRegistryKey.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace vtx::test {
namespace {

using RegistryTest = SetupTest;

RegKey Create(RegRoot root, const QString& path)
{
    RegKey key;
    EXPECT_EQ(Registry::CreateKey(Registry::Root(root), path, &key), RegStatus::Ok) << path.toStdString();
    return key;
}

void Set(const RegKey& key, const QString& name, RegValue value)
{
    EXPECT_EQ(Registry::SetValue(key, name, value), RegStatus::Ok);
}

RegValue Sz(RegType type, const QString& text)
{
    RegValue value;
    value.type = type;
    value.text = text;
    return value;
}

TEST_F(RegistryTest, KeysAndValueNamesIgnoreCaseAndKeepTheCaseTheyWereCreatedWith)
{
    const RegKey created = Create(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Dunmerrow\\Vantorix\\"));
    Set(created, QStringLiteral("InstallPath"), Sz(RegType::Sz, QStringLiteral("/opt/v")));

    RegKey opened;
    ASSERT_EQ(Registry::OpenKey(Registry::Root(HKEY_LOCAL_MACHINE),
                                QStringLiteral("SOFTWARE\\dunmerrow\\VANTORIX"), &opened),
              RegStatus::Ok);
    EXPECT_EQ(opened.path, (QStringList{"Software", "Dunmerrow", "Vantorix"}));
    RegValue value;
    ASSERT_EQ(Registry::QueryValue(opened, QStringLiteral("installpath"), &value), RegStatus::Ok);
    EXPECT_EQ(value.text, QStringLiteral("/opt/v"));
    EXPECT_EQ(value.DataSize(), 7); // the zero byte counts

    // Setting a value under another spelling replaces it rather than adding a twin.
    Set(opened, QStringLiteral("INSTALLPATH"), Sz(RegType::Sz, QStringLiteral("/opt/w")));
    const QJsonObject keys = QJsonDocument::fromJson(*FileContent(Registry::StoreFile(HKEY_LOCAL_MACHINE)))
                                 .object()
                                 .value(QStringLiteral("keys"))
                                 .toObject();
    const QJsonObject values = keys.value(QStringLiteral("Software\\Dunmerrow\\Vantorix")).toObject();
    EXPECT_EQ(values.keys(), QStringList{QStringLiteral("InstallPath")});

    // The other root is a separate store.
    EXPECT_EQ(Registry::OpenKey(Registry::Root(HKEY_CURRENT_USER),
                                QStringLiteral("Software\\Dunmerrow"), &opened),
              RegStatus::NotFound);
}

TEST_F(RegistryTest, KeysWithSubkeysAndTheStandardKeysAreNotDeleted)
{
    Create(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Dunmerrow\\Vantorix"));
    Create(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Dunmerrow\\Other"));

    EXPECT_EQ(Registry::DeleteKey(HKEY_LOCAL_MACHINE, QStringLiteral("software\\dunmerrow")),
              RegStatus::HasSubkeys);
    EXPECT_EQ(Registry::DeleteKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Dunmerrow\\Vantorix")),
              RegStatus::Ok);
    EXPECT_EQ(Registry::DeleteKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Dunmerrow\\Vantorix")),
              RegStatus::NotFound);
    EXPECT_EQ(Registry::DeleteKey(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE")), RegStatus::Protected);

    RegKey other;
    EXPECT_EQ(Registry::OpenKey(Registry::Root(HKEY_LOCAL_MACHINE),
                                QStringLiteral("Software\\Dunmerrow\\Other"), &other),
              RegStatus::Ok);
    // "Software" exists in a registry that was never written.
    EXPECT_EQ(Registry::OpenKey(Registry::Root(HKEY_CURRENT_USER), QStringLiteral("Software\\"), &other),
              RegStatus::Ok);
}

TEST_F(RegistryTest, AFileThatCannotBeUnderstoodIsNeitherUsedNorOverwritten)
{
    Create(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Dunmerrow"));
    const QString file = Registry::StoreFile(HKEY_LOCAL_MACHINE);
    for (const QByteArray& bad :
         {QByteArray("{ \"format\": \"vtxsetup registry 1\", \"root\": \"HKEY_LOCAL_MACHINE\""),
          QByteArray("{\"format\":\"vtxsetup registry 1\",\"root\":\"HKEY_LOCAL_MACHINE\",\"keys\":"
                     "{\"Software\\\\X\":{\"v\":{\"type\":\"REG_QWORD\",\"data\":1}}}}"),
          QByteArray("{\"format\":\"vtxsetup registry 1\",\"root\":\"HKEY_CURRENT_USER\",\"keys\":{}}")}) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bad);
        out.close();

        CRegistryKey key;
        EXPECT_FALSE(key.Open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\")));
        EXPECT_FALSE(key.WriteString(QStringLiteral("Dunmerrow\\Vantorix"), QStringLiteral("a"),
                                     QStringLiteral("b")));
        RegKey root = Registry::Root(HKEY_LOCAL_MACHINE), created;
        EXPECT_EQ(Registry::CreateKey(root, QStringLiteral("Software\\Y"), &created), RegStatus::BadStore);
        EXPECT_EQ(Registry::DeleteKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\X")),
                  RegStatus::BadStore);
        EXPECT_TRUE(Registry::LastErrorText().contains(file));
        EXPECT_EQ(FileContent(file), bad);
    }
}

TEST_F(RegistryTest, ReadStringGivesTextsNumbersAndExpansionsWithinItsLimits)
{
    m_environment.Set("VTX_TEST_FOLDER", QStringLiteral("/srv/tools"));
    ::unsetenv("VTX_TEST_UNSET");
    const RegKey key = Create(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Test\\Sub"));
    RegValue number;
    number.type = RegType::DWord;
    number.number = 4294967295u;
    Set(key, QStringLiteral("Number"), number);
    Set(key, QStringLiteral("Expand"), Sz(RegType::ExpandSz, QStringLiteral("%VTX_TEST_FOLDER%/v %VTX_TEST_UNSET% 5%")));
    Set(key, QStringLiteral("Max"), Sz(RegType::Sz, QString(511, QLatin1Char('a'))));
    Set(key, QStringLiteral("Long"), Sz(RegType::Sz, QString(512, QLatin1Char('a'))));
    m_environment.Set("VTX_TEST_LONG", QString(600, QLatin1Char('b')));
    Set(key, QStringLiteral("Grows"), Sz(RegType::ExpandSz, QStringLiteral("%VTX_TEST_LONG%%VTX_TEST_LONG%")));
    RegValue binary;
    binary.type = RegType::Binary;
    binary.bytes = QByteArray("\x01\x02", 2);
    Set(key, QStringLiteral("Binary"), binary);

    CRegistryKey reader;
    ASSERT_TRUE(reader.Open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Test")));
    EXPECT_EQ(reader.KeyPath(), QStringLiteral("Software\\Test"));
    const QString sub = QStringLiteral("Sub");
    const QString none = QStringLiteral("default");
    EXPECT_EQ(reader.ReadString(sub, QStringLiteral("Number"), none), QStringLiteral("4294967295"));
    EXPECT_EQ(reader.ReadString(sub, QStringLiteral("Expand"), none),
              QStringLiteral("/srv/tools/v %VTX_TEST_UNSET% 5%"));
    EXPECT_EQ(reader.ReadString(sub, QStringLiteral("Max"), none), QString(511, QLatin1Char('a')));
    EXPECT_EQ(reader.ReadString(sub, QStringLiteral("Long"), none), none);
    EXPECT_EQ(reader.ReadString(sub, QStringLiteral("Grows"), none), none);
    EXPECT_EQ(reader.ReadString(sub, QStringLiteral("Binary"), none), none);
    EXPECT_EQ(reader.ReadString(sub, QStringLiteral("Missing"), none), none);
    EXPECT_EQ(reader.ReadString(QStringLiteral("NoSuchKey"), QStringLiteral("Number"), none), none);
    EXPECT_EQ(reader.ReadString({}, QStringLiteral("Number"), none), none); // not in the open key
}

TEST_F(RegistryTest, WriteStringChoosesTheTypeByThePercentSign)
{
    CRegistryKey key;
    EXPECT_FALSE(key.WriteString({}, QStringLiteral("a"), QStringLiteral("b"))); // nothing open
    EXPECT_TRUE(key.DeleteValue({}, QStringLiteral("a")));

    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\")));
    EXPECT_TRUE(key.WriteString(QStringLiteral("Dunmerrow\\Vantorix\\"), QStringLiteral("Plain"),
                                QStringLiteral("/opt/v")));
    EXPECT_TRUE(key.WriteString(QStringLiteral("Dunmerrow\\Vantorix\\"), QStringLiteral("Percent"),
                                QStringLiteral("/opt/100%")));
    RegKey stored;
    ASSERT_EQ(Registry::OpenKey(Registry::Root(HKEY_LOCAL_MACHINE),
                                QStringLiteral("Software\\Dunmerrow\\Vantorix"), &stored),
              RegStatus::Ok);
    RegValue value;
    ASSERT_EQ(Registry::QueryValue(stored, QStringLiteral("Plain"), &value), RegStatus::Ok);
    EXPECT_EQ(value.type, RegType::Sz);
    ASSERT_EQ(Registry::QueryValue(stored, QStringLiteral("Percent"), &value), RegStatus::Ok);
    EXPECT_EQ(value.type, RegType::ExpandSz);
    EXPECT_EQ(value.text, QStringLiteral("/opt/100%"));

    EXPECT_TRUE(key.DeleteValue(QStringLiteral("Dunmerrow\\Vantorix"), QStringLiteral("Plain")));
    EXPECT_TRUE(key.DeleteValue(QStringLiteral("No\\Such\\Key"), QStringLiteral("Plain")));
    EXPECT_EQ(Registry::QueryValue(stored, QStringLiteral("Plain"), &value), RegStatus::NotFound);
    EXPECT_EQ(Registry::QueryValue(stored, QStringLiteral("Percent"), &value), RegStatus::Ok);
}

} // namespace
} // namespace vtx::test
