// The short interface sound of the preset commands. The sound subsystem installs
// its player here; until it does, the sound is silence.
#pragma once

using InterfaceSoundHook = void (*)();

inline InterfaceSoundHook& InterfaceSoundHookSlot() {
    static InterfaceSoundHook hook = nullptr;
    return hook;
}

// Installs (or, with null, removes) the function that plays the interface sound.
inline void SetInterfaceSoundHook(InterfaceSoundHook hook) { InterfaceSoundHookSlot() = hook; }

inline void PlayInterfaceSound() {
    if (InterfaceSoundHook hook = InterfaceSoundHookSlot()) hook();
}
