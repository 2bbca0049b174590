#pragma once
// "orvantis --export MAP-FOLDER OUT.jpg|.tif|.png": a whole map written without a window.

#include <optional>

namespace exporting {

// When the arguments ask for an export, runs it and gives the process's exit code: 0 when
// the file was written, else 1 (2 for wrong arguments) after a French message on the error
// output. Nothing when they do not ask for one.
std::optional<int> runExportCommand(int argc, char *argv[]);

} // namespace exporting
