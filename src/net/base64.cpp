#include "net/base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of a character of the alphabet, or -1.
int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

int EncodeBase64(const void* data, int size, char* out, int capacity) {
    if (size < 0 || size > (0x7FFFFFFF - 3) / 4 * 3 || Base64Length(size) >= capacity) return -1;
    const uint8_t* in = static_cast<const uint8_t*>(data);
    int n = 0;
    for (int i = 0; i < size; i += 3) {
        const int left = size - i;
        const uint32_t group = static_cast<uint32_t>(in[i]) << 16 |
                               (left > 1 ? static_cast<uint32_t>(in[i + 1]) << 8 : 0u) |
                               (left > 2 ? in[i + 2] : 0u);
        out[n++] = kAlphabet[group >> 18 & 63];
        out[n++] = kAlphabet[group >> 12 & 63];
        out[n++] = left > 1 ? kAlphabet[group >> 6 & 63] : '=';
        out[n++] = left > 2 ? kAlphabet[group & 63] : '=';
    }
    out[n] = '\0';
    return n;
}

int DecodeBase64(const char* text, int length, uint8_t* out, int capacity) {
    if (length < 0 || length % 4 != 0) return -1;
    int fill = 0;
    if (length > 0 && text[length - 1] == '=') fill = text[length - 2] == '=' ? 2 : 1;
    const int size = length / 4 * 3 - fill;
    if (size > capacity) return -1;
    int n = 0;
    for (int i = 0; i < length; i += 4) {
        const bool last = i + 4 == length;
        uint32_t group = 0;
        for (int k = 0; k < 4; ++k) {
            int sextet = SextetOf(text[i + k]);
            if (sextet < 0) {
                if (!(last && k >= 4 - fill)) return -1;  // "=" only as the final fill
                sextet = 0;
            }
            group = group << 6 | static_cast<uint32_t>(sextet);
        }
        // Bits below the last whole byte must be zero, so each text has one meaning.
        if (last && (group & ((1u << (fill * 8)) - 1)) != 0) return -1;
        const int bytes = last ? 3 - fill : 3;
        for (int k = 0; k < bytes; ++k) out[n++] = static_cast<uint8_t>(group >> (16 - 8 * k));
    }
    return n;
}
