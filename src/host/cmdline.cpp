#include "host/cmdline.h"

#include <cstdlib>

namespace {

inline bool IsLetter(char c, char upper) { return c == upper || c == upper + ('a' - 'A'); }
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The word after the first one, as a window number; 0 when there is none.
long NextWordNumber(const char* line) {
    const char* p = line;
    while (*p && IsBlank(*p)) ++p;
    while (*p && !IsBlank(*p)) ++p;
    while (*p && IsBlank(*p)) ++p;
    return std::atol(p);
}

}  // namespace

int ParseCommandLine(const char* line, CommandLine* out) {
    if (!line) line = "";
    *out = CommandLine{SaverMode::kInvalid, false, 0, false, 0, ""};
    const char c0 = line[0];
    const char c1 = c0 ? line[1] : '\0';
    const bool prefixed = c0 == '-' || c0 == '/';

    if ((prefixed && IsLetter(c1, 'S')) || IsLetter(c0, 'S')) {
        out->mode = SaverMode::kSaver;
        return 0;
    }
    if ((prefixed && IsLetter(c1, 'C')) || IsLetter(c0, 'C') || c0 == '\0') {
        out->mode = SaverMode::kConfigure;
        const char* number = nullptr;
        if (c1 == ':')
            number = line + 2;
        else if (c1 != '\0' && line[2] == ':')
            number = line + 3;
        if (number) {
            out->hasOwner = true;
            out->owner = static_cast<uint32_t>(std::strtoul(number, nullptr, 10));
        }
        return 0;
    }
    if ((prefixed && IsLetter(c1, 'P')) || IsLetter(c0, 'P')) {
        out->mode = SaverMode::kPreview;
        out->host = NextWordNumber(line);
        out->hasHost = out->host != 0;
        return 0;
    }
    if ((prefixed && IsLetter(c1, 'I')) || IsLetter(c0, 'I')) {
        out->mode = SaverMode::kImport;
        // "/i path" starts at the fourth character, "i path" at the third; a
        // shorter line has an empty path rather than one past its end.
        const char* p = line + 1;
        if (*p) ++p;
        if (prefixed && *p) ++p;
        out->importPath = p;
        return 0;
    }
    return 0;
}
