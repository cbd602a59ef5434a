// One image extracted into the current folder, with all the command line says
// about it: its checks, messages, listing and status. The command line runs
// it once; the Windows drop target once for each image dropped on it.
#pragma once

#include "explanations.h"
#include "output.h"

namespace d88 {

// 0 when every file was written, 1 otherwise, as the program's status.
// `path` names the image in what is said; with `standardInput` the image is
// read from there.
int extractImage(const char* path, bool standardInput, OutputStream& listing,
                 OutputStream& diagnostics, Language language);

}  // namespace d88
