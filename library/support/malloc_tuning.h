// Large models and frames pass through malloc many times on their way to a
// picture or a file: the readers' pieces, the model's arrays, OpenGL's own
// vertex copies, every exported frame. On fresh 4 KiB pages each of those
// megabytes costs hundreds of page faults. glibc can put malloc's memory on
// transparent huge pages, but only when told so before the program starts,
// and it hands freed blocks back to the system at once unless told to keep
// them. Programs call this first thing in main().
#pragma once

namespace korvid::support {

// Starts the program again (same process, same arguments) with glibc's
// malloc asked for huge pages, when the system offers them on request and
// the setting is not there yet; then (in the program started again, or when
// starting again is not possible) has malloc serve blocks of up to 32 MiB
// from its heap and keep up to 256 MiB of freed memory for the next ones.
void tuneMallocForLargeData(char** argv);

}  // namespace korvid::support
