// Fuzz target: the frame assembler fed arbitrary bytes. Every delivered frame must fit the
// receive buffer, and a reset must bring it back to hunting for a frame start.
#include <cstdint>
#include <cstdlib>

#include "serial/envelope.h"
#include "serial/frame_assembler.h"

using q7310::FrameAssembler;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FrameAssembler assembler;
  for (size_t i = 0; i < size; ++i) {
    const auto frame = assembler.ProcessByte(data[i]);
    if (frame && frame->bytes.size() > FrameAssembler::kBufferSize) std::abort();
  }
  // A reset leaves a hunting assembler whatever state the input left.
  assembler.Reset();
  if (assembler.State() != FrameAssembler::RX_HUNT) std::abort();
  return 0;
}
