#include "RegSvr32.h"

// Qt
#include <QFile>
#include <QFileInfo>

// std
#include <cstdint>
#include <cstdio>

// POSIX
#include <dlfcn.h>

namespace vtx {

namespace {

using EntryPoint = std::int32_t (*)();

// A switch is "/" or "-" and one letter; anything else (an absolute path begins with "/"
// too) is the library.
bool IsSwitch(const QString& argument, char letter)
{
    return argument.size() == 2 &&
           (argument[0] == QLatin1Char('/') || argument[0] == QLatin1Char('-')) &&
           argument[1].toLower() == QLatin1Char(letter);
}

} // namespace

bool IsRegSvr32Name(const char* argv0)
{
    return argv0 && QFileInfo(QFile::decodeName(argv0)).fileName() == QLatin1String("regsvr32");
}

int RunRegSvr32(const QStringList& arguments)
{
    bool silent = false;
    bool unregister = false;
    QStringList libraries;
    for (const QString& argument : arguments) {
        if (IsSwitch(argument, 's'))
            silent = true;
        else if (IsSwitch(argument, 'u'))
            unregister = true;
        else
            libraries.append(argument);
    }
    const auto say = [silent](const QString& text) {
        if (!silent)
            std::fprintf(stderr, "regsvr32: %s\n", qPrintable(text));
    };
    if (libraries.size() != 1) {
        say(QStringLiteral("usage: regsvr32 [/s] [/u] LIBRARY"));
        return 1;
    }

    const QString& library = libraries.front();
    void* handle = ::dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        say(QStringLiteral("cannot load %1: %2").arg(library, QString::fromLocal8Bit(::dlerror())));
        return 3;
    }
    const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const auto entry = reinterpret_cast<EntryPoint>(::dlsym(handle, name));
    int code = 0;
    if (!entry) {
        say(QStringLiteral("%1 has no entry point %2").arg(library, QLatin1String(name)));
        code = 4;
    } else if (const std::int32_t result = entry(); result != 0) {
        say(QStringLiteral("%1 in %2 failed with code 0x%3")
                .arg(QLatin1String(name), library)
                .arg(static_cast<std::uint32_t>(result), 8, 16, QLatin1Char('0')));
        code = 5;
    } else {
        say(QStringLiteral("%1 in %2 succeeded.").arg(QLatin1String(name), library));
    }
    ::dlclose(handle);
    return code;
}

} // namespace vtx
