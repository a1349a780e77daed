#pragma once
// The program's one icon, drawn from its scalable image at whatever size a window, the
// task bar or a dialog asks for.

#include <QIcon>

namespace vtx {

[[nodiscard]] QIcon ApplicationIcon();

} // namespace vtx
