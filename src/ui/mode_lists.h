// The three drop-down lists of the Properties page that choose the full-screen
// mode (resolution, colour depth, refresh rate) from the display-mode list. Item 0
// of each is "Use desktop resolution" or "Default"; the others follow the list's
// entries in order. Choosing a resolution refills the depth list and choosing a
// depth the rate list, each keeping the stored choice when it is offered.
#pragma once

#include "host/display_modes.h"
#include "settings/settings.h"

enum ModeList { kResolutionList, kDepthList, kRateList };

// Items of `list` while the local options hold their current mode (the depth list
// offers the stored resolution's depths, the rate list its depth's rates).
int ModeItemCount(const DisplayModeList& modes, const LocalOptionsRecord& l, ModeList list);
int FormatModeItem(const DisplayModeList& modes, const LocalOptionsRecord& l, ModeList list, int item, char* out,
                   int capacity);
// The item that shows the stored choice, 0 when it is not offered.
int SelectedModeItem(const DisplayModeList& modes, const LocalOptionsRecord& l, ModeList list);
// Stores the item's choice: item 0 of the resolution list clears the width and
// height (desktop resolution), item 0 of the others stores 0 ("keep the current").
void ApplyModeItem(const DisplayModeList& modes, LocalOptionsRecord& l, ModeList list, int item);
