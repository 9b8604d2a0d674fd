// Paths that the operator names for the program to write: the trace (--trace FILE, both front
// ends) and the staged image of `q7310 image FILE --stage OUT`. Neither may ever be written over
// one of the program's own files (work_folder.h: told by identity, not by spelling), nor the
// trace over the serial device, nor the staged image over its own input, a device, a FIFO, a
// folder, or (without --force) any file that is there already.
#pragma once

#include <string>
#include <vector>

namespace q7310 {

// Why the trace may not be written to `trace` in a run on `folder` with the serial device
// `device` (the operator's text), or empty when it may.
std::string TraceTargetProblem(const std::string& folder, const std::string& trace,
                               const std::string& device);

// Why the staged image of `input` may not be written to `out` (the operator's text), or empty
// when it may. The files of each of `folders` (working folders) are the program's own; so are
// the files that the program keeps in the folder of `out` itself (a BACKUP.BIN there, or a dated
// copy when `out` is under a backups folder). `replace`: --force, an existing regular file may
// be replaced.
std::string StageTargetProblem(const std::vector<std::string>& folders, const std::string& input,
                               const std::string& out, bool replace);

// The file that the staged image for `out` is written to: `out` itself, or the file that a link
// at `out` leads to (the link stays a link).
std::string StagePath(const std::string& out);

// Gives the staged image, written whole and flushed under the temporary name `staged` beside
// StagePath(out), that file's name, after StageTargetProblem found no problem: replacing a file
// there only with `replace`, so that a file that appeared meanwhile is kept too. False with the
// operator's text in `error`; `staged` is then left for the caller to remove.
bool PlaceStagedImage(const std::string& staged, const std::string& out, bool replace,
                      std::string* error);

}  // namespace q7310
