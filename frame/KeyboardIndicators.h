#pragma once
// The keyboard's lock lights (Caps Lock, Num Lock, Scroll Lock) for the status bar's CAP,
// NUM and SCRL panes. Qt does not report them, so they are read from the X server's
// keyboard extension when the program runs on X11. Elsewhere (Wayland, the offscreen
// platform) there is nothing to ask, and the panes show the locks as off.

#include <optional>

namespace vtx {

struct LockKeyStates {
    bool bCaps = false;
    bool bNum = false;
    bool bScroll = false;
};

// The lights right now, or nothing when the platform cannot tell.
[[nodiscard]] std::optional<LockKeyStates> ReadLockKeyStates();

} // namespace vtx
