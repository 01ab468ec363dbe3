// The short interface sounds of the settings window and the preset commands. The
// sound subsystem installs its player here; until it does, they are silence.
#pragma once

// Which of the three interface sounds: 1 for clicks (check boxes, the online
// buttons, the preset commands), 2 for a switch between effect groups, 3 for a
// page switch and after the sound option was switched.
enum InterfaceSound : int { kInterfaceSoundClick = 1, kInterfaceSoundGroup = 2, kInterfaceSoundPage = 3 };

using InterfaceSoundHook = void (*)(int sound);

inline InterfaceSoundHook& InterfaceSoundHookSlot() {
    static InterfaceSoundHook hook = nullptr;
    return hook;
}

// Installs (or, with null, removes) the function that plays the interface sounds.
inline void SetInterfaceSoundHook(InterfaceSoundHook hook) { InterfaceSoundHookSlot() = hook; }

inline void PlayInterfaceSound(int sound = kInterfaceSoundClick) {
    if (InterfaceSoundHook hook = InterfaceSoundHookSlot()) hook(sound);
}
