// Large models pass through malloc many times on their way to a picture: the
// readers' pieces, the model's arrays, and OpenGL's own vertex copies. On 4 KiB
// pages each of those megabytes costs hundreds of page faults; glibc can put
// malloc's memory on transparent huge pages instead, but only when told so
// before the program starts. Programs call this first thing in main().
#pragma once

namespace korvid::support {

// Starts the program again (same process, same arguments) with glibc's
// malloc asked for huge pages, when the system offers them on request and
// the setting is not there yet. Returns without doing anything otherwise,
// and when starting again fails.
void restartWithHugePageMalloc(char** argv);

}  // namespace korvid::support
