#pragma once
// Decoder of the -lh5- method, used to read back every archive before it is
// given its name. Malformed input raises TLhaFormatError, never overruns.
#include "archiver/lha/LhaStreams.h"

#include <cstdint>

// Decodes packedSize bytes of input into exactly originalSize bytes of output.
void DecodeLh5(TByteInput& input, uint64_t packedSize, uint64_t originalSize, TByteOutput& output);
