#pragma once

#include <QIcon>

namespace quillet {

// The program's icon: the installed theme icon, else the same drawing painted
// here, since the Qt SVG plugin may be missing.
QIcon AppIcon();

// Icons the desktop's theme lacks come from the set shipped in the program's
// resources, under the same freedesktop names. Call once, after the
// application object exists.
void InstallIconFallback();

} // namespace quillet
