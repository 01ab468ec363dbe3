// The renderer's texture tables: GL texture names by glyph (0..54) or by
// character code (0..255). The renderer set-up fills them; the simulation and the
// effects read them when they push cell layers.
#pragma once

#include <cstdint>

constexpr int kGlyphCount = 55;
constexpr int kLetterCodes = 256;

struct TextureTables {
    uint32_t glyph[kGlyphCount];
    uint32_t blurredGlyph[kGlyphCount];
    uint32_t rotatorBlur[kGlyphCount];
    uint32_t glow[kGlyphCount];
    uint32_t halo[kGlyphCount];
    uint32_t letter[kLetterCodes];      // the blank texture where no letter image exists
    uint32_t letterGlow[kLetterCodes];  // likewise
    uint32_t spot;
    uint32_t squareSpot;
    uint32_t blank;
};

extern TextureTables textureTables;

// Whether the letter image family holds a picture for character code c: the
// double quote, the apostrophe, ( ) * + , . / 0-9 : ; < = > ? A-Z and the backslash.
bool HasLetterImage(uint32_t c);

// Fills every table with distinct made-up names for runs without a renderer:
// letter entries without an image (and entry 0) get the blank texture's name.
void FillPlaceholderTextureTables();
