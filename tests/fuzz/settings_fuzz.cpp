// libFuzzer target: a settings record and control bytes driving frames (see settings_run.h).
#include "settings_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RunSettingsInput(data, size);
    return 0;
}
