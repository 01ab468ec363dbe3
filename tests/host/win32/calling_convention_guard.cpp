// Must not compile for i686: a GL entry point and a library function taken as
// pointer types without the system calling convention (see host/call_convention.h).
#include "host/win32/system_proc.h"
#include "render/extensions.h"

typedef void (*EntryWithoutConvention)(unsigned, unsigned);
typedef int (*LibraryFunctionWithoutConvention)(int*);

void Probe(const ExtensionRegistry& registry, HMODULE module) {
    EntryPointAs<EntryWithoutConvention>(registry, "glBindBufferARB");
    LibraryProcAs<LibraryFunctionWithoutConvention>(module, "DwmIsCompositionEnabled");
}
