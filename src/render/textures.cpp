#include "render/textures.h"

TextureTables textureTables;

bool HasLetterImage(uint32_t c) {
    return c == 34 || c == 39 || (c >= 40 && c <= 44) || (c >= 46 && c <= 63) || (c >= 65 && c <= 90) ||
           c == 92;
}

void FillPlaceholderTextureTables() {
    TextureTables& t = textureTables;
    t.blank = 1;
    t.spot = 2;
    t.squareSpot = 3;
    for (uint32_t g = 0; g < kGlyphCount; ++g) {
        t.glyph[g] = 100 + g;
        t.blurredGlyph[g] = 200 + g;
        t.rotatorBlur[g] = 300 + g;
        t.glow[g] = 400 + g;
        t.halo[g] = 500 + g;
    }
    for (uint32_t c = 0; c < kLetterCodes; ++c) {
        const bool image = c != 0 && HasLetterImage(c);
        t.letter[c] = image ? 1000 + c : t.blank;
        t.letterGlow[c] = image ? 2000 + c : t.blank;
    }
}
