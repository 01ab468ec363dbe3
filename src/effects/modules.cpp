#include "effects/modules.h"

#include "effects/bursts.h"
#include "effects/crash.h"
#include "effects/dejavu.h"
#include "effects/drops.h"
#include "effects/effects.h"
#include "effects/lightnings.h"
#include "effects/smallbursts.h"
#include "effects/superman.h"

int InitEffectModules() {
    ResetEffectModules();
    InitDejaVuModule();       // slot 0
    InitBurstsModule();       // slots 1, 2, 3
    InitSmallBurstsModule();  // slot 4
    InitDropsModule();        // slot 5
    InitLightningModule();    // slot 6
    InitCrashModule();        // slot 7
    InitSupermanModule();     // slot 8
    return 0;
}

void EndEffectModules() { EndCrashEarly(); }
