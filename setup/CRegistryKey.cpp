#include "CRegistryKey.h"

// this program
#include "framework/Trace.h"

namespace vtx {

namespace {

constexpr qsizetype kReadLimit = 512;     // bytes of a stored string, its zero included
constexpr qsizetype kExpandLimit = 1024;  // bytes of an expanded string, its zero included

// Failures of the registry files themselves are worth a trace line: the setup program
// otherwise carries on silently, as it does for a missing value.
RegStatus Traced(RegStatus status)
{
    if (status == RegStatus::BadStore || status == RegStatus::WriteFailed)
        Trace(QStringLiteral("registry: %1").arg(Registry::LastErrorText()));
    return status;
}

} // namespace

bool CRegistryKey::Open(RegRoot root, const QString& keyPath)
{
    Close();
    m_strKeyPath = keyPath;
    RegKey key;
    if (Traced(Registry::OpenKey(Registry::Root(root), keyPath, &key)) != RegStatus::Ok)
        return false;
    m_hKey = key;
    return true;
}

void CRegistryKey::Close()
{
    m_hKey.reset();
}

QString CRegistryKey::ReadString(const QString& subkey, const QString& valueName,
                                 const QString& defaultValue) const
{
    if (!m_hKey)
        return defaultValue;
    RegKey key = *m_hKey;
    if (!subkey.isEmpty() && Traced(Registry::OpenKey(*m_hKey, subkey, &key)) != RegStatus::Ok)
        return defaultValue;
    RegValue value;
    if (Traced(Registry::QueryValue(key, valueName, &value)) != RegStatus::Ok)
        return defaultValue;

    switch (value.type) {
    case RegType::Sz:
        return value.DataSize() <= kReadLimit ? value.text : defaultValue;
    case RegType::ExpandSz: {
        if (value.DataSize() > kReadLimit)
            return defaultValue;
        // A longer expansion is a failed read, never a cut-off path.
        const QString expanded = ExpandEnvironmentStrings(value.text);
        return expanded.toUtf8().size() + 1 <= kExpandLimit ? expanded : defaultValue;
    }
    case RegType::DWord: return QString::number(value.number);
    case RegType::Binary: break;
    }
    return defaultValue;
}

bool CRegistryKey::WriteString(const QString& subkey, const QString& valueName,
                               const QString& text)
{
    if (!m_hKey)
        return false;
    RegKey key = *m_hKey;
    if (!subkey.isEmpty() && Traced(Registry::CreateKey(*m_hKey, subkey, &key)) != RegStatus::Ok)
        return false;
    RegValue value;
    value.type = text.contains(QLatin1Char('%')) ? RegType::ExpandSz : RegType::Sz;
    value.text = text;
    return Traced(Registry::SetValue(key, valueName, value)) == RegStatus::Ok;
}

bool CRegistryKey::DeleteValue(const QString& subkey, const QString& valueName)
{
    if (!m_hKey)
        return true;
    RegKey key = *m_hKey;
    if (!subkey.isEmpty() && Traced(Registry::OpenKey(*m_hKey, subkey, &key)) != RegStatus::Ok)
        return true;
    Traced(Registry::DeleteValue(key, valueName));
    return true;
}

bool CRegistryKey::DeleteKey(RegRoot root, const QString& keyPath)
{
    m_strKeyPath = keyPath;
    return Traced(Registry::DeleteKey(root, keyPath)) == RegStatus::Ok;
}

} // namespace vtx
