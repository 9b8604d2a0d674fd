// Paths that the operator names for the program to write: the trace (--trace FILE, both front
// ends) and the staged image of `q7310 image FILE --stage OUT`. Neither may ever be written over
// one of the program's own files (work_folder.h: told by identity, not by spelling), nor the
// trace over the serial device, nor the staged image over its own input, a device, a FIFO, a
// folder, or (without --force) any file that is there already.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace q7310 {

// Why the trace may not be written to `trace` in a run on `folder` with the serial device
// `device` (the operator's text), or empty when it may.
std::string TraceTargetProblem(const std::string& folder, const std::string& trace,
                               const std::string& device);

// Why the staged image of `input` may not be written to `out` (the operator's text), or empty
// when it may. `folder` is the working folder, whose files are the program's own; so are the
// files that the program keeps in the folder of `out` itself (a BACKUP.BIN there, or a dated copy
// when `out` is under a backups folder). `replace`: --force, an existing regular file may be
// replaced.
std::string StageTargetProblem(const std::string& folder, const std::string& input,
                               const std::string& out, bool replace);

// Writes the staged image `image` to `out`, whole and safely (a flushed temporary file moved into
// place), after StageTargetProblem found no problem. Where `out` is a link, the file it leads to
// gets the image and the link stays. Without `replace` a file that appeared at `out` meanwhile is
// not replaced either. False with the operator's text in `error` on failure.
bool WriteStagedImage(const std::string& out, std::span<const uint8_t> image, bool replace,
                      std::string* error);

}  // namespace q7310
