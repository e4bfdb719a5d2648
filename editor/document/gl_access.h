// How the document reaches the library's OpenGL context without knowing the
// window that owns it: every library call that changes the entity runs with
// the context current.
#pragma once

class GlAccess {
public:
    virtual ~GlAccess() = default;
    virtual void makeCurrent() = 0;
    virtual void doneCurrent() = 0;
};
