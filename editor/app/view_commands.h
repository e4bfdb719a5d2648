// View > Frame All, Frame Selected and the views from each side: camera
// moves of the 3D view. The camera is no part of the entity, so none of
// these marks the document modified or leaves an undo step.
#pragma once

class CVantorDoc;

namespace vantor {

struct CommandHost;

// Adds the commands to the main frame's View menu; Frame All also follows
// every file opened.
void addViewCommands(const CommandHost& host, CVantorDoc& doc);

}  // namespace vantor
