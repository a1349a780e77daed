#pragma once
// The registration tool: loads a library and runs its registration entry point
// (DllRegisterServer) or, with "/u", its unregistration entry point
// (DllUnregisterServer). "/s" keeps it silent. The setup program acts as this tool when
// it is started under the name "regsvr32".

#include <QStringList>

namespace vtx {

// True when a program started as argv0 is to act as the registration tool.
[[nodiscard]] bool IsRegSvr32Name(const char* argv0);

// Runs the tool on its arguments (those after the program name). Exit codes: 0 done,
// 1 wrong arguments, 3 the library cannot be loaded, 4 it has no such entry point,
// 5 the entry point reported a failure.
int RunRegSvr32(const QStringList& arguments);

} // namespace vtx
