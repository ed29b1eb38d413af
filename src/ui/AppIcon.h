#pragma once

#include <QIcon>

namespace quillet {

// The program's icon: the installed theme icon, else the same drawing painted
// here, since the Qt SVG plugin may be missing.
QIcon AppIcon();

} // namespace quillet
