#pragma once
// The setup program's icon, drawn here rather than shipped as an image file.

#include <QIcon>

namespace vtx {

[[nodiscard]] QIcon SetupProgramIcon();

} // namespace vtx
