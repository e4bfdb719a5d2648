// Edit > Copy, Paste and Duplicate Emitter: emitters carried within an entity
// and between entities and Vantor windows through the clipboard, as the text
// docs/zob-extensions.md describes. Text fields keep their own Copy and Paste
// while they have the focus.
#pragma once

#include <QString>

class CVantorDoc;

namespace vantor {

struct CommandHost;

// The clipboard's type for an emitter (plain text is offered too).
inline const QString kEmitterMimeType = QStringLiteral("application/x-korvid-emitter");

// Gives Edit > Copy and Paste their emitter meaning and adds Duplicate Emitter.
void addEmitterCommands(const CommandHost& host, CVantorDoc& doc);

}  // namespace vantor
