#pragma once
// The setup program's handle on one registry key: open it, read and write string values
// in it or in a subkey below it, delete values and keys. Both the install and the
// uninstall go through it.

#include "platform/Registry.h"

#include <QString>

#include <optional>

namespace vtx {

class CRegistryKey
{
public:
    CRegistryKey() = default;
    ~CRegistryKey() { Close(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Opens an existing key for reading; remembers the path either way.
    bool Open(RegRoot root, const QString& keyPath);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_hKey.has_value(); }

    // Reads a value of the open key, or of subkey below it when subkey is not empty:
    // REG_SZ of up to 512 bytes; REG_EXPAND_SZ of up to 512 bytes, expanded into at most
    // 1024; REG_DWORD as its unsigned decimal text. Anything else (no such key or value,
    // another type, a longer value) gives defaultValue.
    [[nodiscard]] QString ReadString(const QString& subkey, const QString& valueName,
                                     const QString& defaultValue) const;
    // Stores text in the open key, or in subkey below it (created when missing): as
    // REG_EXPAND_SZ when it holds a "%", else as REG_SZ. True when it was stored.
    bool WriteString(const QString& subkey, const QString& valueName, const QString& text);
    // Deletes a value when its key opens; always true.
    bool DeleteValue(const QString& subkey, const QString& valueName);
    // Deletes the key keyPath directly below root (not below the open key); remembers
    // the path. True when it was deleted.
    bool DeleteKey(RegRoot root, const QString& keyPath);

    // The path given to the last Open or DeleteKey.
    [[nodiscard]] const QString& KeyPath() const { return m_strKeyPath; }

private:
    // The open key itself when subkey is empty, else subkey below it, opened or created;
    // nothing when no key is open or the subkey cannot be had.
    [[nodiscard]] std::optional<RegKey> Beneath(const QString& subkey, bool create) const;

    std::optional<RegKey> m_hKey;
    QString m_strKeyPath;
};

} // namespace vtx
