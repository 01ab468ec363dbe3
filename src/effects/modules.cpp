#include "effects/modules.h"

#include "effects/bursts.h"
#include "effects/dejavu.h"
#include "effects/drops.h"
#include "effects/effects.h"
#include "effects/smallbursts.h"

int InitEffectModules() {
    ResetEffectModules();
    InitDejaVuModule();       // slot 0
    InitBurstsModule();       // slots 1, 2, 3
    InitSmallBurstsModule();  // slot 4
    InitDropsModule();        // slot 5
    // Slots 6, 7 and 8 follow here, in this order: InitLightningModule,
    // InitCrashModule, InitSupermanModule.
    return 0;
}
