// What the renderer's units share beyond render.h: `render` (set-up and frame
// composition), `glyph_textures` (the texture tables), `motion_blur` (the ring
// of remembered frames) and `text` (bitmap text and the counter line). All of
// it needs the window's GL context current.
#pragma once

#include <cstdint>

#include "render/geometry.h"

// Steps 6 to 9 of the set-up: every texture table from the pictures.
void BuildTextureTables(bool lowTextures);

// A new texture, bound, clamped, with the user's filter; and the levels of the
// bound texture from a picture of `format` (GL_ALPHA8 with its mipmaps, made by
// GL as the user's driver makes them). Glyph textures and atlas pages are made
// alike, so that a page's levels hold the same texels as its textures' own.
uint32_t NewGlyphTextureName();
void FillTextureLevels(int32_t width, int32_t height, uint32_t format, const void* pixels);
uint32_t UploadAlphaTexture(int32_t width, int32_t height, uint32_t format, const void* pixels);
// How the user's filter samples: the TextureFilterKind of its minification,
// and its magnification filter.
uint8_t TextureFilterKindOf(int32_t filter);
int32_t TextureMagnificationOf(int32_t filter);

// The atlas pages (atlas_pages.cpp). While the tables are built, pictures kept
// for the atlas get their texture's levels from their page (KeepForAtlas true:
// the caller uploads nothing); BuildAtlasPages makes the pages and every level.
void OpenAtlas();
// Whether quads may be drawn from the pages of the pictures kept from now on
// (else their pages only make their levels and are deleted).
void DrawFromAtlas(bool drawn);
bool KeepForAtlas(uint32_t name, const uint8_t* rgba, int32_t width, int32_t height);
void BuildAtlasPages();

// The ring of remembered frames for the clamped motion blur depth (none for
// 0); a buffer that cannot be allocated is fatal.
void CreateMotionBlurTextures();
// The small render of the grids, its capture into the ring, and the weighted
// composition of the ring over the cleared window.
void ComposeMotionBlur(int32_t n);
// Its composition: the n remembered frames (the newest in slot
// motionBlurRing) over the window with their weights.
void ComposeRememberedFrames(int32_t n);

// The camera zoom's projection over a w x h window while the incoming text
// sets one (the zoom is clamped to 1 and stored back). Returns the part of the
// window in view: all of it without a zoom.
OrthoBounds ApplyCameraZoom(int32_t w, int32_t h);

// The grid passes that follow show `view` of the window in a viewport of
// viewportWidth x viewportHeight pixels (the quads are cut for that scale) and
// add the pixels they cover to `counter` while the renderer measures.
void SetGridPassView(const OrthoBounds& view, int32_t viewportWidth, int32_t viewportHeight, uint64_t* counter);
