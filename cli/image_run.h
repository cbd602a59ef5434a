// One image extracted into the current folder, with all the command line says
// about it: its checks, messages, listing and status. The command line runs
// it once; the Windows drop target once for each image dropped on it.
#pragma once

#include "explanations.h"
#include "output.h"

namespace d88 {

// 0 when every file was written, 1 otherwise, as the program's status.
int extractImage(const char* path, OutputStream& listing, OutputStream& diagnostics,
                 Language language);

}  // namespace d88
