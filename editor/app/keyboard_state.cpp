#include "app/keyboard_state.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace vantor {
namespace {

std::function<LockKeys()>& source() {
    static std::function<LockKeys()> s;
    return s;
}

bool indicator(Display* display, const char* name) {
    Bool on = False;
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None) return false;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return false;
    return on == True;
}

}  // namespace

LockKeys lockKeys() {
    if (source()) return source()();
    LockKeys keys;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return keys;
    keys.caps = indicator(display, "Caps Lock");
    keys.num = indicator(display, "Num Lock");
    keys.scroll = indicator(display, "Scroll Lock");
    return keys;
}

void setLockKeysSource(std::function<LockKeys()> s) { source() = std::move(s); }

}  // namespace vantor
