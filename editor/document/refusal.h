// Refusal: what every intent of the document answers. A code says what went
// wrong, so callers decide on it; the text is what the user is told. A
// default Refusal is "done".
#pragma once
#include <QString>

#include "korvid.h"

namespace vantor {

struct Refusal {
    // The library's KORVID_FAILURE_... codes, and the editor's own beyond them.
    enum Code {
        None = KORVID_FAILURE_NONE,
        WrongExtension = 1000,  // a file the editor does not read or write by its name
        ImportFailed,           // the mesh importer refused the file (why, in the text)
        Cancelled,              // the user stopped it: nothing to tell
        NothingToDo,            // no model or no emitter to act on
    };
    int code = None;
    QString text;

    bool refused() const { return code != None; }
    explicit operator bool() const { return refused(); }

    static Refusal because(int code, const QString& text = {}) { return Refusal{code, text}; }
};

}  // namespace vantor
