// quillon-convert -o DIR --to TYPE INPUT...: many files, each converted in a process of its
// own, a few at a time.
#pragma once

#include <functional>
#include <ostream>

#include "tools/convert/ConvertArguments.h"

namespace quillon::convert {

// Converts one file; the arguments are those of a single convert (files: input, output).
// Returns the exit status.
using ConvertOne = std::function<int(const ConvertArguments&)>;

// Converts every input of `arguments` into its output directory with up to `arguments.jobs`
// at once. Each file runs in a child process, so that a file that fails, or even crashes its
// decoder, is reported and the others go on. Each convert prints its own line to `out` and its
// messages to standard error; `progress` gets one line that counts the finished files when
// `showProgress`, and a summary at the end. Returns 0 when every file was converted, else 1.
int RunBatch(const ConvertArguments& arguments, const ConvertOne& convert, std::ostream& out,
             std::ostream& progress, bool showProgress);

}  // namespace quillon::convert
