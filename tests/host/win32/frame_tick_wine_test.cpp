// The frame tick without a GL context: the rain goes on, mouse moves decay and
// every tick is paced, so a saver whose context failed neither freezes nor
// spins a core behind its black window.
#include <windows.h>

#include <gtest/gtest.h>

#include "host/display_table.h"
#include "host/saver_input.h"
#include "host/win32/saver_window.h"
#include "render/textures.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

TEST(FrameTickWithoutContext, SimulatesDecaysAndSleeps) {
  SetDefaultSettings();
  FillDefaultLocalOptions(localOptions);
  localOptions.reduceHardwareUsage = 1;
  SetUniformDisplays(1, 800, 600);
  FillPlaceholderTextureTables();
  InitEvaluator();
  AllocCodeGrids(displayCount, settings.columns, settings.rows);
  GLContext noRenderingContext{};  // what a failed context creation leaves
  for (GLContext* context : {static_cast<GLContext*>(nullptr), &noRenderingContext}) {
    glContext = context;
    mouseMoves = 20;
    frameCounter = 0;
    const DWORD start = GetTickCount();
    for (int tick = 0; tick < 33; ++tick) EXPECT_EQ(FrameTick(), 0);
    // The 33rd tick decays the moves; the reduced pacing sleeps up to 20 ms a tick.
    EXPECT_EQ(mouseMoves, 16);
    EXPECT_GE(GetTickCount() - start, 33u * 5u);
    EXPECT_FALSE(firstFrame);
  }
  EXPECT_GT(CountActiveTracers(), 0) << "the rain did not move";
  glContext = nullptr;
  FreeCodeGrids();
  ShutdownEvaluator();
}
