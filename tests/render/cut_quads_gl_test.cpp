// The grid passes leave out black layers and cut quads down to the texels that
// can show. On an off-screen context (OSMesa), frames of a real rain drawn with
// the program's own pictures are compared with the same grids drawn with whole
// quads: at the default look, for every post-effect and filter, and for every
// kind of texture and colour a layer can carry.
#include <GL/osmesa.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "artwork_payloads.h"
#include "effects/effects.h"
#include "host/display_table.h"
#include "host/frametime.h"
#include "render/gl_api.h"
#include "render/render.h"
#include "render/renderer_parts.h"
#include "render/textures.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

uint32_t FixedClock() { return 4242; }

ExtensionProc ResolveWithOSMesa(const char* name) {
  return reinterpret_cast<ExtensionProc>(OSMesaGetProcAddress(name));
}

struct Comparison {
  int worst = 0;          // largest difference of a colour channel
  long differing = 0;     // pixels with any difference
  long overOne = 0;       // pixels with a difference above 1
  uint64_t cutFragments = 0, wholeFragments = 0;
};

class CutQuads : public ::testing::Test {
 protected:
  void SetUp() override {
    SetRendererBitmapLoader(ArtworkLoader);
    SetExtensionResolver(ResolveWithOSMesa);
    SetEvaluatorClock(FixedClock);
    ResetEffectModules();
    SetUniformDisplays(1, kWidth, kHeight);
    buffer_.assign(static_cast<size_t>(kWidth) * kHeight * 4, 0);
  }
  void TearDown() override {
    ResetDisplayTable();
    SetRendererBitmapLoader(nullptr);
    SetExtensionResolver(nullptr);
    SetEvaluatorClock(nullptr);
    incomingText.cameraZoom = 0.0f;
  }

  std::vector<uint8_t> Frame() {
    glClearColor(0, 0, 0, 1);
    ClearColorBuffer();
    RenderFrame(320);
    glFinish();
    return buffer_;
  }
  // Motion blur's small grid pass alone, as it is drawn before the capture
  // that turns it into 8-bit colour (where a 1-level difference can become a
  // step of 32); the rest of the frame stays black.
  std::vector<uint8_t> SmallPass() {
    glClearColor(0, 0, 0, 1);
    ClearColorBuffer();
    glViewport(0, 0, renderer.motionBlurSize, renderer.motionBlurSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, kWidth, kHeight, 0.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    renderer.gridFragments = renderer.smallFragments = 0;
    SetGridPassView(OrthoBounds{0.0, kWidth, kHeight, 0.0}, renderer.motionBlurSize, renderer.motionBlurSize,
                    &renderer.smallFragments);
    DrawCodeGrids();
    glFinish();
    return buffer_;
  }

  // A screenful of rain under the options `change` sets, on a context of its
  // own (texture names start afresh).
  OSMesaContext Begin(const std::function<void()>& change) {
    SetDefaultSettings();
    FillDefaultLocalOptions(localOptions);
    settings.textEnabled = 0;
    settings.jumpInStart = 1;  // a full screen of rain from the first frame
    change();
    OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    EXPECT_TRUE(context && OSMesaMakeCurrent(context, buffer_.data(), GL_UNSIGNED_BYTE, kWidth, kHeight));
    OSMesaPixelStore(OSMESA_Y_UP, 0);
    renderer.directLayers = false;
    renderer.measure = true;
    EXPECT_EQ(InitRenderer(nullptr, localOptions.extremeLowTextures != 0), 0);
    SetRenderWindowSize(kWidth, kHeight);
    InitEvaluator();
    for (int frame = 0; frame < 4; ++frame) {
      ClearCodeGrids(displayCount);
      AdvanceFrameTime(frame == 0, 16);
    }
    return context;
  }
  void End(OSMesaContext context) {
    EXPECT_EQ(TakeGLError(), 0u);
    FreeCodeGrids();
    ShutdownEvaluator();
    ReleaseExtensionRegistry(renderer.extensions);
    OSMesaDestroyContext(context);
  }

  // The grids drawn both ways, plus `extra` layers (with motion blur, its
  // small pass); the whole way layer by layer as specified when `literal` is set.
  Comparison Compare(const std::function<void()>& change, const std::function<void()>& extra = nullptr,
                     bool literal = false) {
    OSMesaContext context = Begin(change);
    if (extra) extra();
    const float zoom = incomingText.cameraZoom;
    Comparison result;
    std::vector<uint8_t> cut, whole;
    for (int pass = 0; pass < 2; ++pass) {
      renderer.wholeQuads = pass == 1;
      renderer.directLayers = pass == 1 && literal;
      if (renderer.motionBlurCount > 0) {
        (pass == 0 ? cut : whole) = SmallPass();
      } else {
        incomingText.cameraZoom = zoom;
        (pass == 0 ? cut : whole) = Frame();
      }
      (pass == 0 ? result.cutFragments : result.wholeFragments) = renderer.gridFragments + renderer.smallFragments;
    }
    for (size_t i = 0; i < cut.size(); i += 4) {
      int pixel = 0;
      for (int c = 0; c < 3; ++c) pixel = std::max(pixel, std::abs(cut[i + c] - whole[i + c]));
      if (pixel) ++result.differing;
      if (pixel > 1) ++result.overOne;
      result.worst = std::max(result.worst, pixel);
    }
    End(context);
    return result;
  }

  // Distance of 8-bit pictures from the exact one: `draw` once more into a
  // float framebuffer, where no pass rounds, clamped to 0..1 at the end (the
  // sums of non-negative terms saturate the same).
  struct Exactness {
    double mean;  // levels per channel
    long off;     // channels more than 1.5 levels off
    int worst;
  };
  std::vector<Exactness> AgainstExact(OSMesaContext context, const std::function<void()>& draw,
                                      const std::vector<std::vector<uint8_t>>& pictures) {
    std::vector<float> exact(static_cast<size_t>(kWidth) * kHeight * 4);
    EXPECT_TRUE(OSMesaMakeCurrent(context, exact.data(), GL_FLOAT, kWidth, kHeight));
    draw();
    glFinish();
    EXPECT_TRUE(OSMesaMakeCurrent(context, buffer_.data(), GL_UNSIGNED_BYTE, kWidth, kHeight));
    std::vector<Exactness> result;
    for (const auto& picture : pictures) {
      Exactness e{0.0, 0, 0};
      for (size_t i = 0; i < picture.size(); i += 4)
        for (int c = 0; c < 3; ++c) {
          const double d = std::fabs(picture[i + c] - std::min(1.0f, std::max(0.0f, exact[i + c])) * 255.0);
          e.mean += d;
          if (d > 1.5) ++e.off;
          e.worst = std::max(e.worst, static_cast<int>(d + 0.5));
        }
      e.mean /= picture.size() / 4 * 3;
      result.push_back(e);
    }
    return result;
  }

  std::vector<uint8_t> buffer_;
};

// A cut quad's texture coordinates (in an atlas page, or cut) round a little
// differently from the whole quad's: a rare fragment right at the alpha test's
// threshold (alpha 0.01) shows in one picture and not in the other, a few
// levels per quad drawn there (halo 255 draws the same halo quad three times,
// so such a fragment can differ by 8). Anything else differs by 1 level at most.
#define EXPECT_SAME_PICTURE_WITHIN(r, levels)                         \
  do {                                                                \
    EXPECT_LE((r).worst, levels);                                     \
    EXPECT_LT((r).differing, kWidth * kHeight / 500);                 \
    EXPECT_LT((r).overOne, kWidth * kHeight / 2000);                  \
    EXPECT_LE((r).cutFragments, (r).wholeFragments);                  \
  } while (0)
#define EXPECT_SAME_PICTURE(r) EXPECT_SAME_PICTURE_WITHIN(r, 4)

TEST_F(CutQuads, TheDefaultLookKeepsItsPictureWithFarFewerFragments) {
  const Comparison r = Compare([] {}, nullptr, true);
  EXPECT_SAME_PICTURE(r);
  EXPECT_LT(r.cutFragments, r.wholeFragments * 2 / 3);
  RecordProperty("cut_fragments", static_cast<int>(r.cutFragments));
  RecordProperty("whole_fragments", static_cast<int>(r.wholeFragments));
}

TEST_F(CutQuads, EveryKindOfLayerTextureAndColourKeepsItsPicture) {
  // Letters, letter glows, spots, the blank texture and untextured quads, in
  // both quad sets, some black, some saturating.
  const Comparison r = Compare([] {}, [] {
    const TextureTables& t = textureTables;
    const uint32_t textures[] = {t.letter['A'], t.letter['7'], t.letterGlow['K'], t.letterGlow[0], t.spot,
                                 t.squareSpot,  t.blank,       0,                 t.glow[3],       t.halo[9]};
    uint32_t seed = 99;
    for (int i = 0; i < 400; ++i) {
      seed = seed * 1103515245u + 12345u;
      const uint32_t v = seed >> 8;
      const float level = (v % 3 == 0) ? 0.0f : static_cast<float>(v % 101) / 100.0f;
      PushCellLayer(codeGrids[0], v % 80, (v / 80) % 40, textures[(v / 7) % 10], level, level * 0.5f, (v % 5) / 4.0f,
                    (v / 3) % 2);
    }
  });
  EXPECT_SAME_PICTURE(r);
}

TEST_F(CutQuads, EveryPostEffectKeepsItsPicture) {
  {
    SCOPED_TRACE("halo 255");
    const Comparison r = Compare([] { settings.halo = 255; });
    EXPECT_SAME_PICTURE_WITHIN(r, 8);
  }
  const std::pair<const char*, std::function<void()>> looks[] = {
      {"halo 0", [] { settings.halo = 0; }},
      {"halo 255, sharper", [] { settings.halo = 255; settings.sharperHalo = 1; }},
      {"character blur 0", [] { settings.charBlurLevel = 0; }},
      {"character blur 8, englow 2", [] { settings.charBlurLevel = 8; settings.charEnglow = 2.0f; }},
      {"vertical blur 8", [] { settings.verticalBlurLevel = 8; }},
      {"vertical blur 8, sharper", [] { settings.verticalBlurLevel = 8; settings.sharperVerticalBlur = 1; }},
      {"character size 0.5", [] { settings.charSize = 0.5f; }},
      {"character size 2", [] { settings.charSize = 2.0f; }},
      {"motion blur's small pass", [] { settings.motionBlurDepth = 8; }},
      {"dense grid", [] { settings.columns = 300; settings.rows = 200; }},
      {"low textures", [] { localOptions.extremeLowTextures = 1; }},
  };
  for (const auto& look : looks) {
    SCOPED_TRACE(look.first);
    const Comparison r = Compare(look.second);
    EXPECT_SAME_PICTURE(r);
  }
  {
    SCOPED_TRACE("camera zoom");
    const Comparison zoomed = Compare([] {}, [] { incomingText.cameraZoom = 0.4f; });
    EXPECT_SAME_PICTURE(zoomed);
  }
  // Displays of one size share their cut quads; one of another size keeps its
  // own. Against the layers drawn one by one on narrower cells, a few more
  // fragments sit at the alpha test's threshold.
  for (const bool same : {true, false}) {
    SCOPED_TRACE(same ? "two displays of one size" : "two displays of two sizes");
    const Comparison r = Compare([same] {
      if (same) {
        SetUniformDisplays(2, kWidth / 2, kHeight);
      } else {
        displayCount = 2;
        displayRects[0] = DisplayRect{0, 0, 640, kHeight};
        displayRects[1] = DisplayRect{640, 0, kWidth, 400};
        desktopRect = DisplayRect{0, 0, kWidth, kHeight};
      }
    }, nullptr, true);
    EXPECT_LE(r.worst, 4);
    EXPECT_LT(r.differing, kWidth * kHeight / 250);
    EXPECT_LT(r.overOne, kWidth * kHeight / 2000);
  }
}

// Drawn once instead of pass by pass, a sum rounds once: the picture is
// nearer the exact sum than the passes' (which are themselves up to tens of
// levels off where many overlap), in the mean, in how many channels are off,
// and at the worst.
#define EXPECT_NEARER_THE_EXACT_SUM(once, passes)   \
  do {                                               \
    EXPECT_LE((once).mean, (passes).mean);           \
    EXPECT_LE((once).off, (passes).off);             \
    EXPECT_LE((once).worst, (passes).worst + 1);     \
  } while (0)

TEST_F(CutQuads, AHaloOfSeveralPassesIsOneQuadOfTheirSum) {
  for (int halo : {144, 255}) {
    SCOPED_TRACE(halo);
    OSMesaContext context = Begin([halo] { settings.halo = halo; });
    EXPECT_TRUE(renderer.oneHaloQuad);
    const std::vector<uint8_t> once = Frame();
    renderer.directLayers = true;  // layer by layer, pass by pass
    renderer.wholeQuads = true;
    const std::vector<uint8_t> passes = Frame();
    const auto e = AgainstExact(context, [this] { Frame(); }, {once, passes});
    EXPECT_NEARER_THE_EXACT_SUM(e[0], e[1]);
    renderer.directLayers = renderer.wholeQuads = false;
    End(context);
  }
}

TEST_F(CutQuads, RememberedFramesAreComposedInOneQuad) {
  OSMesaContext context = Begin([] {
    settings.motionBlurDepth = 8;
    settings.radialBlur = 1;  // every frame with its own texture coordinates
    settings.radialDiffuse = 0.6f;
  });
  ASSERT_GE(renderer.composeUnits, 7);
  // A different picture in every slot: stripes, rings and a gradient.
  const int side = renderer.motionBlurSize;
  std::vector<uint8_t> rgb(static_cast<size_t>(side) * side * 3);
  for (int k = 0; k < 8; ++k) {
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        uint8_t* p = &rgb[(static_cast<size_t>(y) * side + x) * 3];
        p[0] = static_cast<uint8_t>((x / (k + 2)) % 2 ? 255 : 30 * k);
        p[1] = static_cast<uint8_t>(((x - 128) * (x - 128) + (y - 128) * (y - 128)) / (40 + 9 * k) % 256);
        p[2] = static_cast<uint8_t>(y + 20 * k);
      }
    glBindTexture(GL_TEXTURE_2D, renderer.motionBlurTextures[k]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, side, side, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  }
  renderer.motionBlurRing = 3;
  const auto compose = [this] {
    glClearColor(0, 0, 0, 1);
    ClearColorBuffer();
    ComposeRememberedFrames(8);
    glFinish();
    return buffer_;
  };
  const std::vector<uint8_t> once = compose();
  renderer.composeUnits = 0;  // a quad per frame
  const std::vector<uint8_t> frames = compose();
  const auto e = AgainstExact(context, compose, {once, frames});
  EXPECT_NEARER_THE_EXACT_SUM(e[0], e[1]);
  End(context);
}

// Textures whose levels were taken from their atlas page hold, at every level,
// what GL makes from their first level.
TEST_F(CutQuads, TexturesFromPagesHoldTheLevelsGLMakes) {
  for (int low = 0; low < 2; ++low) {
    SCOPED_TRACE(low);
    Compare([low] { localOptions.extremeLowTextures = low; }, [] {
      const TextureTables& t = textureTables;
      std::vector<uint32_t> names{t.spot, t.squareSpot, t.letter['A'], t.letterGlow['Q']};
      for (int g = 0; g < kGlyphCount; ++g)
        for (uint32_t name : {t.glyph[g], t.blurredGlyph[g], t.rotatorBlur[g], t.glow[g], t.halo[g]}) names.push_back(name);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
      for (uint32_t name : names) {
        glBindTexture(GL_TEXTURE_2D, name);
        GLint side = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &side);
        std::vector<uint8_t> first(static_cast<size_t>(side) * side);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, first.data());
        const uint32_t made = UploadAlphaTexture(side, side, GL_ALPHA, first.data());
        for (int level = 1; (side >> level) > 0; ++level) {
          std::vector<uint8_t> kept((side >> level) * (side >> level)), fresh(kept.size());
          glBindTexture(GL_TEXTURE_2D, name);
          glGetTexImage(GL_TEXTURE_2D, level, GL_ALPHA, GL_UNSIGNED_BYTE, kept.data());
          glBindTexture(GL_TEXTURE_2D, made);
          glGetTexImage(GL_TEXTURE_2D, level, GL_ALPHA, GL_UNSIGNED_BYTE, fresh.data());
          ASSERT_EQ(kept, fresh) << "texture " << name << " level " << level;
        }
      }
      glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    });
  }
}

TEST_F(CutQuads, EveryTextureFilterKeepsItsPicture) {
  for (int filter : {0, 1, 3, 7}) {
    SCOPED_TRACE(filter);
    const Comparison r = Compare([filter] { localOptions.textureFilter = filter; });
    EXPECT_SAME_PICTURE(r);
  }
}

}  // namespace
