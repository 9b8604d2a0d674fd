// Facts about the running process that the OS gives (process_info_<os>.cpp).
#pragma once

#include <cstdio>
#include <string>

namespace q7310 {

// The process id, for trace headers.
long CurrentProcessId();

// Opens a file by its UTF-8 path with an fopen mode; the handle is not passed on to child
// programs. Null on failure, with the system's reason (such as "No such file or directory") in
// `error` when given. Opening a FIFO for writing does not wait for a reader: with none the open
// fails at once ("a FIFO that no program reads").
std::FILE* OpenFile(const std::string& path, const char* mode, std::string* error = nullptr);

// The folder for temporary files (UTF-8): the system's, or /tmp (Windows: the current folder)
// when it names none that exists.
std::string TemporaryFolder();

// Whether the stream is an interactive terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);

}  // namespace q7310
