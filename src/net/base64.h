// Standard Base64 (RFC 4648 alphabet with "+" and "/", "=" fill up to a multiple of
// four, no line breaks): how a feedback record travels in the query of its address.
#pragma once

#include <cstdint>

// Characters EncodeBase64 writes for `size` bytes, without the terminator.
constexpr int Base64Length(int size) { return (size + 2) / 3 * 4; }

// Writes the Base64 text of `data` and a terminator into `out`. Returns the text's
// length, or -1 (nothing written) when `size` is negative or `capacity` is too small.
int EncodeBase64(const void* data, int size, char* out, int capacity);

// Decodes exactly `length` characters of strict Base64: only the alphabet, a length
// that is a multiple of four, at most two "=" and only at the end, zero bits in the
// unused part of the last group. Returns the number of bytes written to `out`, or -1
// (the text is not Base64, or the bytes do not fit `capacity`).
int DecodeBase64(const char* text, int length, uint8_t* out, int capacity);
