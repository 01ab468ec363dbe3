// The command line of the screensaver: which mode to run and its argument.
// Only the first letter of the switch counts, case-insensitively, with or
// without a '-' or '/' prefix: /s, -S, s and /save all start the saver.
#pragma once

#include <cstdint>

enum class SaverMode : int {
    kSaver = 0,      // full screen
    kConfigure = 1,  // the settings window
    kPreview = 2,    // inside a host window of the display control panel
    kImport = 3,     // import a preset file
    kInvalid = 4,    // anything else: "Invalid option passed."
};

struct CommandLine {
    SaverMode mode;
    bool hasOwner;           // configuration: a window number followed a colon
    uint32_t owner;          // that number (strtoul, base 10)
    bool hasHost;            // preview: a non-zero host window number followed the switch
    long host;               // that number (atol of the next word)
    const char* importPath;  // import: points into the parsed text, never null
};

// Parses `line` (the text after the program name; null counts as empty).
// Returns 0; `out` receives the mode and its argument.
int ParseCommandLine(const char* line, CommandLine* out);
