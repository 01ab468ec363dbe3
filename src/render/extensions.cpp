#include "render/extensions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/memory.h"

namespace {

#include "render/extension_names.inc"

static_assert(sizeof(kEntryPointNames) / sizeof(kEntryPointNames[0]) == kExtensionEntryPointCount,
              "one slot per entry point");

struct KnownExtension {
    int index;
    const char* name;
};

const KnownExtension kKnownExtensions[] = {
    {1, "GL_ARB_multitexture"},
    {11, "GL_ARB_point_parameters"},
    {12, "GL_ARB_point_sprite"},
    {21, "GL_ARB_texture_cube_map"},
    {22, "GL_EXT_texture_filter_anisotropic"},
    {23, "GL_SGIS_generate_mipmap"},
    {24, "GL_ARB_texture_compression"},
    {31, "GL_ARB_texture_env_add"},
    {32, "GL_ARB_texture_env_combine"},
    {33, "GL_ARB_texture_env_dot3"},
    {41, "GL_ARB_vertex_program"},
    {42, "GL_ARB_vertex_buffer_object"},
    {51, "GL_EXT_blend_color"},
    {52, "GL_EXT_blend_minmax"},
    {53, "GL_EXT_blend_subtract"},
    {54, "GL_NV_blend_square"},
    {61, "GL_EXT_compiled_vertex_array"},
    {71, "GL_EXT_draw_range_elements"},
    {81, "GL_EXT_fog_coord"},
    {91, "GL_EXT_packed_pixels"},
    {92, "GL_EXT_bgra"},
    {93, "GL_EXT_abgr"},
    {101, "GL_EXT_secondary_color"},
    {102, "GL_EXT_separate_specular_color"},
};
constexpr int kKnownCount = sizeof(kKnownExtensions) / sizeof(kKnownExtensions[0]);

ExtensionResolver g_resolver = nullptr;

void DefaultStubReport(const char* caption, const char* text) { std::fprintf(stderr, "%s: %s\n", caption, text); }

void (*g_stubReport)(const char*, const char*) = DefaultStubReport;

}  // namespace

void SetExtensionResolver(ExtensionResolver resolver) { g_resolver = resolver; }

void SetExtensionStubReport(void (*report)(const char*, const char*)) {
    g_stubReport = report ? report : DefaultStubReport;
}

void KVS_SYSTEM_CALL UnavailableExtensionStub() {
    g_stubReport("Ostra Engine",
                 "Major application error: Unavailable OpenGL extension function called directly.\n"
                 "This may mean that your OpenGL extensions does not meet this application's requirements.\n\n"
                 "Unable to continue...");
    std::exit(1);
}

int LoadExtensionsFromString(ExtensionRegistry& registry, const char* extensions) {
    for (ExtensionProc& slot : registry.entryPoints) slot = UnavailableExtensionStub;
    ReleaseExtensionRegistry(registry);
    for (bool& flag : registry.supported) flag = false;

    if (!extensions) extensions = "";
    const size_t length = std::strlen(extensions);
    int result = 0;
    registry.extensions = static_cast<char*>(AllocZeroed(length + 1));
    if (registry.extensions)
        std::memcpy(registry.extensions, extensions, length);
    else
        result = -9;

    for (const KnownExtension& known : kKnownExtensions)
        if (std::strstr(extensions, known.name)) registry.supported[known.index] = true;

    for (const EntryPointGroup& group : kEntryPointGroups) {
        if (!registry.supported[group.extension] || !g_resolver) continue;
        for (int i = group.first; i < group.first + group.count; ++i) {
            const ExtensionProc proc = g_resolver(kEntryPointNames[i]);
            if (proc) registry.entryPoints[i] = proc;
        }
    }
    return result;
}

void ReleaseExtensionRegistry(ExtensionRegistry& registry) {
    FreeMemory(registry.extensions);
    registry.extensions = nullptr;
}

bool HasExtension(const ExtensionRegistry& registry, int index) {
    return index >= 0 && index < kExtensionFlagCount && registry.supported[index];
}

int KnownExtensionCount() { return kKnownCount; }

const char* KnownExtensionName(int ordinal) {
    return ordinal >= 0 && ordinal < kKnownCount ? kKnownExtensions[ordinal].name : nullptr;
}

int KnownExtensionIndex(int ordinal) { return ordinal >= 0 && ordinal < kKnownCount ? kKnownExtensions[ordinal].index : -1; }

int ExtensionEntryPointSlot(const char* name) {
    if (!name) return -1;
    for (int i = 0; i < kExtensionEntryPointCount; ++i)
        if (std::strcmp(kEntryPointNames[i], name) == 0) return i;
    return -1;
}

ExtensionProc GetEntryPoint(const ExtensionRegistry& registry, const char* name) {
    const int slot = ExtensionEntryPointSlot(name);
    return slot < 0 ? UnavailableExtensionStub : registry.entryPoints[slot];
}
