// The extension registry: which of 24 known OpenGL extensions the driver offers
// (flags by fixed index) and the entry points of the eleven that have any. An
// entry point that is absent, or whose extension is absent, holds a fatal stub,
// so calling it ends the program with a message instead of jumping nowhere.
// Portable: the platform supplies the name resolver and the fatal report.
#pragma once

#include <cstdint>

#include "host/call_convention.h"

constexpr int kExtensionFlagCount = 128;

// Flag indices of the known extensions.
enum ExtensionIndex : int {
    kExtMultitexture = 1,
    kExtPointParameters = 11,
    kExtPointSprite = 12,
    kExtTextureCubeMap = 21,
    kExtTextureFilterAnisotropic = 22,
    kExtGenerateMipmap = 23,
    kExtTextureCompression = 24,
    kExtTextureEnvAdd = 31,
    kExtTextureEnvCombine = 32,
    kExtTextureEnvDot3 = 33,
    kExtVertexProgram = 41,
    kExtVertexBufferObject = 42,
    kExtBlendColor = 51,
    kExtBlendMinmax = 52,
    kExtBlendSubtract = 53,
    kExtBlendSquare = 54,
    kExtCompiledVertexArray = 61,
    kExtDrawRangeElements = 71,
    kExtFogCoord = 81,
    kExtPackedPixels = 91,
    kExtBgra = 92,
    kExtAbgr = 93,
    kExtSecondaryColor = 101,
    kExtSeparateSpecularColor = 102,
};

// Entry points are held with the GL calling convention and cast to their own
// types with EntryPointAs, which refuses a type without it.
typedef SystemProc ExtensionProc;
// Resolves an entry point by name (wglGetProcAddress on Windows); null when absent.
typedef ExtensionProc (*ExtensionResolver)(const char* name);

// Number of entry-point slots (every function of every extension that has any).
constexpr int kExtensionEntryPointCount = 143;

struct ExtensionRegistry {
    char* extensions;  // owned copy of the extension string (null before loading)
    bool supported[kExtensionFlagCount];
    ExtensionProc entryPoints[kExtensionEntryPointCount];
};

// Platform hooks: the resolver, and what the stub does before the process ends
// (the Win32 layer shows a message box). Null restores the defaults (no
// resolver; the report goes to stderr).
void SetExtensionResolver(ExtensionResolver resolver);
void SetExtensionStubReport(void (*report)(const char* caption, const char* text));

// The stub every unresolved slot holds: reports and exits with status 1.
[[noreturn]] void KVS_SYSTEM_CALL UnavailableExtensionStub();

// Fills the registry from an extension string (null counts as empty): every
// slot gets the stub, the flags are set by substring tests, and the entry points
// of present extensions are resolved. Returns 0, or -9 when the string cannot be
// copied (the flags and stubs are still set).
int LoadExtensionsFromString(ExtensionRegistry& registry, const char* extensions);
// Releases the copied string.
void ReleaseExtensionRegistry(ExtensionRegistry& registry);

// True when index <= 127 and the flag is set.
bool HasExtension(const ExtensionRegistry& registry, int index);

// The known extension names and entry-point names, for look-ups and tests.
int KnownExtensionCount();                       // 24
const char* KnownExtensionName(int ordinal);     // by table order, null outside
int KnownExtensionIndex(int ordinal);            // its flag index, -1 outside
int ExtensionEntryPointSlot(const char* name);   // slot of a function name, -1 if unknown

// The two entry points the renderer calls.
ExtensionProc GetEntryPoint(const ExtensionRegistry& registry, const char* name);
// The same, as the function's declared type (a PFN...PROC of glext.h).
template <typename Fn>
Fn EntryPointAs(const ExtensionRegistry& registry, const char* name) {
    return SystemProcAs<Fn>(GetEntryPoint(registry, name));
}
