// The state of the lock keys, for the status bar's indicators.
#pragma once
#include <functional>

namespace vantor {

struct LockKeys {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// From the X server's keyboard indicators; all off where there is no X server.
LockKeys lockKeys();
// Tests replace the source; an empty function restores the X server.
void setLockKeysSource(std::function<LockKeys()> source);

}  // namespace vantor
