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

std::optional<RegKey> CRegistryKey::Beneath(const QString& subkey, bool create) const
{
    if (!m_hKey || subkey.isEmpty())
        return m_hKey;
    RegKey key;
    const RegStatus status = create ? Registry::CreateKey(*m_hKey, subkey, &key)
                                    : Registry::OpenKey(*m_hKey, subkey, &key);
    if (Traced(status) != RegStatus::Ok)
        return std::nullopt;
    return key;
}

QString CRegistryKey::ReadString(const QString& subkey, const QString& valueName,
                                 const QString& defaultValue) const
{
    const std::optional<RegKey> key = Beneath(subkey, false);
    RegValue value;
    if (!key || Traced(Registry::QueryValue(*key, valueName, &value)) != RegStatus::Ok)
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
    const std::optional<RegKey> key = Beneath(subkey, true);
    if (!key)
        return false;
    RegValue value;
    value.type = text.contains(QLatin1Char('%')) ? RegType::ExpandSz : RegType::Sz;
    value.text = text;
    return Traced(Registry::SetValue(*key, valueName, value)) == RegStatus::Ok;
}

bool CRegistryKey::DeleteValue(const QString& subkey, const QString& valueName)
{
    if (const std::optional<RegKey> key = Beneath(subkey, false))
        Traced(Registry::DeleteValue(*key, valueName));
    return true;
}

bool CRegistryKey::DeleteKey(RegRoot root, const QString& keyPath)
{
    m_strKeyPath = keyPath;
    return Traced(Registry::DeleteKey(root, keyPath)) == RegStatus::Ok;
}

} // namespace vtx
