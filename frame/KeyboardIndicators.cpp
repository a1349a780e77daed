#include "frame/KeyboardIndicators.h"

// Qt
#include <QGuiApplication>

#if defined(VANTORIX_HAVE_X11)
#include <QtGui/qguiapplication_platform.h>
// X11 last: its macros (None, Bool, Status) clash with Qt's names.
#include <X11/XKBlib.h>
#endif

namespace vtx {

#if defined(VANTORIX_HAVE_X11) && QT_CONFIG(xcb)

namespace {

// The lights are found by name, not by number: keymaps number their indicators freely.
std::optional<bool> NamedIndicator(Display* display, const char* name)
{
    const Atom atom = XInternAtom(display, name, True);
    if (atom == 0)
        return std::nullopt;
    int index = 0;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, &index, &on, nullptr, nullptr))
        return std::nullopt;
    return on != False;
}

} // namespace

std::optional<LockKeyStates> ReadLockKeyStates()
{
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    const auto caps = NamedIndicator(display, "Caps Lock");
    const auto num = NamedIndicator(display, "Num Lock");
    const auto scroll = NamedIndicator(display, "Scroll Lock");
    if (!caps && !num && !scroll)
        return std::nullopt;
    return LockKeyStates{caps.value_or(false), num.value_or(false), scroll.value_or(false)};
}

#else

std::optional<LockKeyStates> ReadLockKeyStates()
{
    return std::nullopt;
}

#endif

} // namespace vtx
