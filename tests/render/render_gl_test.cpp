// The renderer on an off-screen GL context (OSMesa): texture tables and their
// preparation, quads, and the frame composition with halo, vertical blur,
// motion blur and camera zoom, checked in the pixels it produces.
#include <GL/osmesa.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/display_table.h"
#include "render/gl_api.h"
#include "render/render.h"
#include "render/textures.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

namespace {

// Large enough for the 256 x 256 corner motion blur renders into.
constexpr int kCell = 20;
constexpr int kColumns = 16;
constexpr int kRows = 13;
constexpr int kWidth = kColumns * kCell;  // 320
constexpr int kHeight = kRows * kCell;    // 260

// Pictures by resource id: white, with the shape in alpha. Code glyphs are a
// filled square in the middle half of a 64 x 64 (or 4 x 4 / 8 x 8) picture.
int32_t FakeLoader(aBitmap& bitmap, int id) {
  int side = 64;
  uint8_t alpha = 255;
  if (id >= 2000 && id <= 2054) side = 4;
  else if (id >= 2100 && id <= 2354) side = 8;
  else if (id == 1003 || id == 1004) side = 32;
  else if (id >= 400 && id < 700) {
    if (!HasLetterImage(static_cast<uint32_t>(id - 400))) return kBitmapInvalid;
  } else if (id >= 700 && id < 1000) {
    if (!HasLetterImage(static_cast<uint32_t>(id - 700))) return kBitmapInvalid;
  } else if (id == 77) {
    alpha = 100;  // a half-transparent glyph for the englow check
  } else if (!(id >= 0 && id <= 354)) {
    return kBitmapInvalid;
  }
  std::vector<uint8_t> payload(kBitmapHeaderSize + static_cast<size_t>(side) * side * 4, 0);
  std::memcpy(payload.data(), "aBitmap", 8);
  const int32_t sizes[2] = {side, side};
  std::memcpy(payload.data() + 8, sizes, 8);
  uint8_t* pixels = payload.data() + kBitmapHeaderSize;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      uint8_t* p = pixels + (static_cast<size_t>(y) * side + x) * 4;
      p[0] = p[1] = p[2] = 255;
      const bool inside = x >= side / 4 && x < side * 3 / 4 && y >= side / 4 && y < side * 3 / 4;
      p[3] = inside ? alpha : 0;
    }
  return LoadBitmapMemory(bitmap, payload.data(), payload.size());
}

ExtensionProc ResolveWithOSMesa(const char* name) {
  return reinterpret_cast<ExtensionProc>(OSMesaGetProcAddress(name));
}

class RendererGL : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    ASSERT_NE(context_, nullptr);
    buffer_.assign(static_cast<size_t>(kWidth) * kHeight * 4, 0);
    ASSERT_TRUE(OSMesaMakeCurrent(context_, buffer_.data(), GL_UNSIGNED_BYTE, kWidth, kHeight));
    OSMesaPixelStore(OSMESA_Y_UP, 0);
    SetDefaultSettings();
    settings.columns = kColumns;  // cells of 20 x 20 pixels
    settings.rows = kRows;
    settings.charSize = 1.0f;
    settings.halo = 0;
    settings.charBlurLevel = 0;
    localOptions.textureFilter = 0;  // nearest: exact pixels
    SetUniformDisplays(1, kWidth, kHeight);
    incomingText.cameraZoom = 0.0f;
    SetRendererBitmapLoader(FakeLoader);
    SetExtensionResolver(ResolveWithOSMesa);
    renderer.directLayers = false;
  }
  void TearDown() override {
    FreeCodeGrids();
    ReleaseExtensionRegistry(renderer.extensions);
    OSMesaDestroyContext(context_);
    ResetDisplayTable();
    SetRendererBitmapLoader(nullptr);
    SetExtensionResolver(nullptr);
  }
  void Init(bool lowTextures = false) {
    ASSERT_EQ(InitRenderer(nullptr, lowTextures), 0);
    SetRenderWindowSize(kWidth, kHeight);
    ApplyOrthoProjection(kWidth, kHeight);
    TakeGLError();  // a single-buffered context refuses GL_BACK
  }
  // One frame of the current grids; the picture, rows top to bottom.
  std::vector<uint8_t> Frame() {
    glClearColor(0, 0, 0, 1);
    ClearColorBuffer();
    RenderFrame(320);
    glFinish();
    EXPECT_EQ(TakeGLError(), 0u);
    return buffer_;
  }
  static int Green(const std::vector<uint8_t>& p, int x, int y) { return p[(static_cast<size_t>(y) * kWidth + x) * 4 + 1]; }
  static int Red(const std::vector<uint8_t>& p, int x, int y) { return p[(static_cast<size_t>(y) * kWidth + x) * 4 + 0]; }
  static long Sum(const std::vector<uint8_t>& p) {
    long sum = 0;
    for (size_t i = 0; i < p.size(); ++i)
      if (i % 4 != 3) sum += p[i];
    return sum;
  }
  static int LitPixels(const std::vector<uint8_t>& p) {
    int lit = 0;
    for (size_t i = 0; i < p.size(); i += 4)
      if (p[i] > 8 || p[i + 1] > 8 || p[i + 2] > 8) ++lit;
    return lit;
  }
  static GLint TextureWidth(uint32_t name) {
    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    return width;
  }
  static GLint MinFilter(uint32_t name) {
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    return filter;
  }

  OSMesaContext context_ = nullptr;
  std::vector<uint8_t> buffer_;
};

TEST_F(RendererGL, WithoutResolvedBufferFunctionsTheQuadsStayInClientMemory) {
  SetExtensionResolver(nullptr);  // the extension is listed, its functions are not found
  Init();
  EXPECT_TRUE(HasExtension(renderer.extensions, kExtVertexBufferObject));
  EXPECT_FALSE(renderer.vertexBuffers);
  PushCellLayer(codeGrids[0], 3, 2, 0, 0.0f, 1.0f, 0.0f, 0);
  EXPECT_EQ(LitPixels(Frame()), 400);
}

TEST_F(RendererGL, TextureTablesAreFilled) {
  settings.motionBlurDepth = 3;
  Init();
  const TextureTables& t = textureTables;
  for (int g = 0; g < kGlyphCount; ++g) {
    EXPECT_NE(t.glyph[g], 0u);
    EXPECT_NE(t.halo[g], t.glow[g]);
  }
  EXPECT_NE(t.spot, 0u);
  EXPECT_NE(t.squareSpot, t.spot);
  EXPECT_EQ(t.letter[0], t.blank);
  EXPECT_EQ(t.letter[64], t.blank);
  EXPECT_EQ(t.letterGlow[0], t.blank);
  EXPECT_NE(t.letter['A'], t.blank);
  EXPECT_NE(t.letterGlow['7'], t.blank);
  EXPECT_TRUE(renderer.vertexBuffers);
  EXPECT_EQ(renderer.motionBlurCount, 3);
  EXPECT_EQ(TextureWidth(renderer.motionBlurTextures[2]), 256);
  // Glyph pictures keep their size without character blur; the blank is 16 x 16.
  EXPECT_EQ(TextureWidth(t.glyph[0]), 64);
  EXPECT_EQ(TextureWidth(t.blank), 16);
  // Halo textures come from the 8 x 8 pictures.
  EXPECT_EQ(TextureWidth(t.halo[5]), 8);
  EXPECT_EQ(MinFilter(t.glyph[3]), GL_NEAREST) << "the texture filter of the local options";
}

TEST_F(RendererGL, CharacterBlurPadsGlyphsAndLowTexturesAreSmall) {
  settings.charBlurLevel = 2;
  localOptions.textureFilter = 2;
  Init(true);
  EXPECT_EQ(TextureWidth(textureTables.glyph[0]), 8) << "4 x 4 with a border of half its size";
  EXPECT_EQ(TextureWidth(textureTables.blurredGlyph[0]), 8);
  EXPECT_EQ(MinFilter(textureTables.glyph[0]), GL_LINEAR_MIPMAP_NEAREST);
  FreeCodeGrids();
  settings.charBlurLevel = 1;
  Init(false);
  EXPECT_EQ(TextureWidth(textureTables.glyph[0]), 128);
}

TEST_F(RendererGL, EnglowScalesThePictures) {
  settings.charEnglow = 2.0f;
  Init();
  // The half-transparent picture (alpha 100) uploaded directly: twice as opaque.
  aBitmap picture;
  ASSERT_EQ(FakeLoader(picture, 77), 0);
  ScaleBitmap(picture, settings.charEnglow);
  const uint32_t name = CreateGlyphTexture(picture);
  std::vector<uint8_t> alpha(64 * 64);
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, alpha.data());
  EXPECT_EQ(alpha[32 * 64 + 32], 200);
  EXPECT_EQ(alpha[0], 0);
}

TEST_F(RendererGL, ALayerIsItsColourTimesTheGlyphAtItsCell) {
  Init();
  PushCellLayer(codeGrids[0], 3, 2, textureTables.glyph[4], 0.0f, 1.0f, 0.0f, 0);
  const std::vector<uint8_t> frame = Frame();
  // Cell (3, 2) is x 60..79, y 40..59; the glyph square its middle half.
  EXPECT_EQ(Green(frame, 70, 50), 255);
  EXPECT_EQ(Red(frame, 70, 50), 0);
  EXPECT_EQ(Green(frame, 61, 41), 0) << "the corner of the picture is transparent";
  EXPECT_EQ(Green(frame, 70, 65), 0) << "nothing outside the cell";
  EXPECT_EQ(renderer.layersDrawn, 1u);
  EXPECT_EQ(LitPixels(frame), 100);
}

TEST_F(RendererGL, LayersAddAndSaturate) {
  Init();
  PushCellLayer(codeGrids[0], 1, 1, textureTables.glyph[0], 0.4f, 0.25f, 0.0f, 0);
  PushCellLayer(codeGrids[0], 1, 1, textureTables.glyph[1], 0.4f, 0.25f, 0.0f, 0);
  PushCellLayer(codeGrids[0], 1, 1, textureTables.glyph[2], 0.4f, 0.25f, 0.0f, 0);
  const std::vector<uint8_t> frame = Frame();
  EXPECT_EQ(Red(frame, 30, 30), 255);
  EXPECT_NEAR(Green(frame, 30, 30), 191, 2);
}

TEST_F(RendererGL, HaloPassesAddGlowAroundGlyphsButNotAroundGlowLayers) {
  Init();
  // Dim enough that two passes over the glyph do not saturate.
  PushCellLayer(codeGrids[0], 8, 6, textureTables.glyph[9], 0.0f, 0.2f, 0.0f, 0);
  const std::vector<uint8_t> plainFrame = Frame();
  const long plain = Sum(plainFrame);
  settings.halo = 96;  // one full pass
  const std::vector<uint8_t> one = Frame();
  settings.halo = 72;  // 0.75 of a pass
  const std::vector<uint8_t> partial = Frame();
  settings.halo = 192;  // two passes
  const std::vector<uint8_t> two = Frame();
  const long haloOne = Sum(one) - plain;
  EXPECT_GT(haloOne, 0);
  EXPECT_NEAR(static_cast<double>(Sum(partial) - plain) / haloOne, 0.75, 0.05);
  EXPECT_NEAR(static_cast<double>(Sum(two) - plain) / haloOne, 2.0, 0.05);
  // The halo quad reaches beyond the glyph and its cell (1 + 1.6 cells wide).
  EXPECT_GT(LitPixels(one), LitPixels(plainFrame));
  EXPECT_GT(Green(one, 158, 130), 0) << "no glow left of the cell";

  // A glow layer gets no halo.
  ClearCodeGrid(codeGrids[0]);
  PushCellLayer(codeGrids[0], 8, 6, textureTables.glow[9], 0.0f, 0.5f, 0.0f, 0);
  settings.halo = 0;
  const long glowPlain = Sum(Frame());
  settings.halo = 255;
  EXPECT_EQ(Sum(Frame()), glowPlain);
}

TEST_F(RendererGL, VerticalBlurStretchesUpright) {
  Init();
  PushCellLayer(codeGrids[0], 8, 6, textureTables.glyph[9], 0.0f, 0.5f, 0.0f, 0);
  const std::vector<uint8_t> plain = Frame();
  FreeCodeGrids();
  settings.verticalBlurLevel = 8;
  Init();  // the blur quad is built at set-up
  PushCellLayer(codeGrids[0], 8, 6, textureTables.glyph[9], 0.0f, 0.5f, 0.0f, 0);
  const std::vector<uint8_t> blurred = Frame();
  EXPECT_GT(Sum(blurred), Sum(plain));
  // Light far above and below the cell (x 160..179, y 120..139), not far beside it.
  int above = 0, beside = 0;
  for (int x = 0; x < kWidth; ++x)
    for (int y = 0; y < kHeight; ++y) {
      if (Green(blurred, x, y) == 0) continue;
      if (y < 110 && x >= 160 && x < 180) ++above;
      if (x < 145 && y >= 120 && y < 140) ++beside;
    }
  EXPECT_GT(above, 0);
  EXPECT_EQ(beside, 0);
}

TEST_F(RendererGL, DrawingByTextureGivesTheSamePictureAsLayerByLayer) {
  settings.halo = 255;
  settings.verticalBlurLevel = 3;
  localOptions.textureFilter = 3;
  Init();
  // The halo's passes one by one in both (drawn as one quad, their sum is
  // checked against the exact one in the cut-quads tests).
  renderer.oneHaloQuad = false;
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int i = 0; i < 300; ++i) {
    const uint32_t g = next(kGlyphCount);
    const uint32_t family = next(4);
    const uint32_t texture = family == 0   ? textureTables.glyph[g]
                             : family == 1 ? textureTables.blurredGlyph[g]
                             : family == 2 ? textureTables.glow[g]
                                           : textureTables.spot;
    PushCellLayer(codeGrids[0], next(kColumns), next(kRows), texture, next(100) / 100.0f, next(100) / 100.0f,
                  next(100) / 100.0f, next(2));
  }
  const std::vector<uint8_t> batched = Frame();
  const uint32_t layers = renderer.layersDrawn;
  renderer.directLayers = true;
  const std::vector<uint8_t> direct = Frame();
  EXPECT_EQ(renderer.layersDrawn, layers);
  int differing = 0, worst = 0;
  for (size_t i = 0; i < batched.size(); ++i) {
    const int d = std::abs(batched[i] - direct[i]);
    if (d) ++differing;
    if (d > worst) worst = d;
  }
  EXPECT_LE(worst, 1);
  EXPECT_LT(differing, static_cast<int>(batched.size() / 1000));
}

TEST_F(RendererGL, MotionBlurComposesTheRing) {
  settings.motionBlurDepth = 2;
  settings.renderLastFrame = 0;
  Init();
  PushCellLayer(codeGrids[0], 3, 2, 0, 0.0f, 1.0f, 0.0f, 0);
  // Two frames: weights 0 (oldest) and 1 (the frame just remembered).
  const std::vector<uint8_t> first = Frame();
  EXPECT_EQ(renderer.motionBlurRing, 1);
  EXPECT_GT(Green(first, 70, 50), 200) << "the newest remembered frame shows at full weight";
  ClearCodeGrid(codeGrids[0]);
  const std::vector<uint8_t> second = Frame();
  EXPECT_EQ(renderer.motionBlurRing, 0);
  EXPECT_EQ(LitPixels(second), 0) << "the older frame has weight 0";
  // The sharp frame on top when asked for.
  settings.renderLastFrame = 1;
  PushCellLayer(codeGrids[0], 3, 2, 0, 1.0f, 0.0f, 0.0f, 0);
  const std::vector<uint8_t> third = Frame();
  EXPECT_EQ(Red(third, 70, 50), 255);
}

TEST_F(RendererGL, CameraZoomShowsTheMiddleEnlarged) {
  Init();
  PushCellLayer(codeGrids[0], 8, 6, 0, 0.0f, 1.0f, 0.0f, 0);  // x 160..179, y 120..139
  const int plain = LitPixels(Frame());
  EXPECT_EQ(plain, 400);
  // The middle half (x 80..239, y 65..194) fills the window at twice the size.
  incomingText.cameraZoom = 0.5f;
  const std::vector<uint8_t> zoomed = Frame();
  EXPECT_EQ(LitPixels(zoomed), 1600);
  EXPECT_EQ(Green(zoomed, 160, 130), 255) << "the centre stays in place";
  EXPECT_EQ(Green(zoomed, 199, 149), 255);
  EXPECT_EQ(Green(zoomed, 159, 130), 0);
  // A zoom above 1 is stored back as 1; with nothing left to show, the whole
  // window stays in view.
  incomingText.cameraZoom = 1.2f;
  EXPECT_EQ(LitPixels(Frame()), 400);
  EXPECT_EQ(incomingText.cameraZoom, 1.0f);
  incomingText.cameraZoom = 0.0f;
}

}  // namespace
