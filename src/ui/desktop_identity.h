// How the desktop recognises the running reader: the id of its Desktop Entry (the app id
// on Wayland, by which docks and task switchers find its name and icon), the window icon
// from the installed icon theme, and the version.
#pragma once

#include <QString>

namespace mirvo::ui {

// The reverse-DNS id shared by the Desktop Entry, the icon and the AppStream metadata.
QString DesktopId();

// Sets the application's desktop file name, version and window icon. Call once, after the
// application object exists. A build that is not installed has no themed icon and keeps
// the default one.
void SetDesktopIdentity();

}  // namespace mirvo::ui
