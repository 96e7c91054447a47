// HTC_AC3: expansion of the compressed bulk reply. The compressed form is a zlib
// stream (RFC 1950) of the expanded reply.
//
//   HTC_AC3_CONTEXT ctx = HTC_AC3_CreateContext(buffer);
//   long n = HTC_AC3_DoDecoding(ctx, compressed, compressedLength, buffer, capacity);
//   HTC_AC3_DisposeContext(ctx);
//
// The decoding call is told how many compressed bytes there are and how large the
// expansion buffer is, and reports the expanded length, so that no stream, however
// it is made, writes past the buffer.
#pragma once

#include <cstddef>

#define HTC_AC3_API __attribute__((visibility("default")))

extern "C" {

typedef void* HTC_AC3_CONTEXT;

// Result of HTC_AC3_DoDecoding when the stream is damaged or incomplete, or when it
// expands to more than the buffer's capacity.
constexpr long HTC_AC3_FAILED = -1;

// A context for expanding into `expansionBuffer`; nullptr when none can be made.
HTC_AC3_API HTC_AC3_CONTEXT HTC_AC3_CreateContext(unsigned char* expansionBuffer);

// Expands `compressedLength` bytes into `expansionBuffer` (at most `capacity` bytes).
// Returns the expanded length, or HTC_AC3_FAILED.
HTC_AC3_API long HTC_AC3_DoDecoding(HTC_AC3_CONTEXT context, const unsigned char* compressed,
                                    std::size_t compressedLength, unsigned char* expansionBuffer,
                                    std::size_t capacity);

// Releases the context.
HTC_AC3_API void HTC_AC3_DisposeContext(HTC_AC3_CONTEXT context);

}  // extern "C"
