// Facts about the running process that the OS gives (process_info_<os>.cpp).
#pragma once

#include <cstdio>
#include <string>

namespace q7310 {

// The process id, for trace headers.
long CurrentProcessId();

// Opens a file by its UTF-8 path with an fopen mode; the handle is not passed on to child
// programs. Null on failure, with the reason in errno's text (see SystemErrorText).
std::FILE* OpenFile(const std::string& path, const char* mode);

// Whether the stream is an interactive terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);

}  // namespace q7310
