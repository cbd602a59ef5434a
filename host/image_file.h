// The image named on the command line, opened for the reader.
#pragma once

#include "d88_image.h"
#include "piped_image.h"

namespace d88 {

// Opens the image at `path` in `image`: a file that can seek as it is;
// anything else (a pipe, a terminal, a character device such as
// /dev/urandom) through `piped`, copied forward into an unnamed temporary in
// temporaryFolder() only as far as the reader asks. False on failure, with
// errno saying why and `copyFailed` whether it was the copy. A null path is
// standard input.
bool openImage(D88Image& image, PipedImage& piped, const char* path, bool& copyFailed);

}  // namespace d88
