// The GL context record under Wine: creation, the make-current cache, the
// projection, bitmap fonts and text, and the extension hooks.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/win32/late_dlls.h"
#include "render/gl_api.h"
#include "render/win32/glcontext.h"

namespace {

HWND MakeWindow(int width, int height) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA description;
    std::memset(&description, 0, sizeof description);
    description.style = CS_OWNDC;
    description.lpfnWndProc = DefWindowProcA;
    description.hInstance = GetModuleHandleA(nullptr);
    description.hbrBackground = CreateSolidBrush(RGB(51, 102, 204));
    description.lpszClassName = "KvsGLTest";
    RegisterClassA(&description);
    registered = true;
  }
  return CreateWindowExA(0, "KvsGLTest", "gl", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

TEST(GLContext, RecordOperationsWithoutARenderingContext) {
  GLContext empty{};
  EXPECT_EQ(MakeCurrent(&empty), kGLNoContext);
  EXPECT_EQ(MakeCurrent(nullptr), kGLNoContext);
  EXPECT_EQ(SetOrthoProjection(&empty), kGLNoContext);
  EXPECT_EQ(ResizeGLContext(&empty, 10, 10), kGLNoContext);
  EXPECT_EQ(ClearScreen(&empty), kGLNoContext);
  EXPECT_EQ(CreateBitmapFont(&empty, -14, 400, false, 1, 0x20, "Courier New"), nullptr);
  EXPECT_EQ(PrintText(&empty, nullptr, 0, 0, "x"), kGLNoContext);
  EXPECT_EQ(ReleaseGLContext(nullptr, nullptr), kGLNullRecord);
}

TEST(GLContext, CreationCacheProjectionAndClearColour) {
  HWND a = MakeWindow(64, 48);
  HWND b = MakeWindow(32, 32);
  ASSERT_TRUE(a && b);
  GLContext* first = CreateGLContext(a, false, true);
  GLContext* second = CreateGLContext(b, true, false);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(first->renderingContext, nullptr);
  ASSERT_NE(second->renderingContext, nullptr);
  EXPECT_EQ(first->width, 0);

  // The window's pixel format is double-buffered RGBA with 24 depth bits.
  PIXELFORMATDESCRIPTOR format;
  const int index = GetPixelFormat(first->deviceContext);
  ASSERT_GT(index, 0);
  DescribePixelFormat(first->deviceContext, index, sizeof format, &format);
  EXPECT_TRUE(format.dwFlags & PFD_DOUBLEBUFFER);
  EXPECT_TRUE(format.dwFlags & PFD_SUPPORT_OPENGL);
  EXPECT_GE(format.cColorBits, 24);

  // Same record twice: one switch; alternating records: one each time.
  MakeCurrent(first);
  const uint32_t before = GLContextSwitchCount();
  EXPECT_EQ(MakeCurrent(first), 0);
  EXPECT_EQ(GLContextSwitchCount(), before);
  MakeCurrent(second);
  MakeCurrent(first);
  MakeCurrent(second);
  EXPECT_EQ(GLContextSwitchCount(), before + 3);

  // Resizing stores the size and sets viewport and projection.
  EXPECT_EQ(ResizeGLContext(first, 64, 48), 0);
  EXPECT_EQ(first->width, 64);
  EXPECT_EQ(first->height, 48);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 64);
  EXPECT_EQ(viewport[3], 48);
  GLdouble projection[16] = {};
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  EXPECT_NEAR(projection[0], 2.0 / 64, 1e-6);
  EXPECT_NEAR(projection[5], -2.0 / 48, 1e-6) << "y must grow downwards";
  EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), GL_FALSE);

  // The clear colour is the class's background brush.
  GLfloat clear[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_NEAR(clear[0], 51 / 255.0f, 1e-3);
  EXPECT_NEAR(clear[1], 102 / 255.0f, 1e-3);
  EXPECT_NEAR(clear[2], 204 / 255.0f, 1e-3);
  EXPECT_NEAR(clear[3], 1.0f, 1e-6);
  EXPECT_EQ(ClearScreen(first), 0);
  GLubyte pixel[4] = {};
  glReadBuffer(GL_BACK);
  glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_NEAR(pixel[2], 204, 2);

  EXPECT_EQ(ReleaseGLContext(a, first), 0);
  EXPECT_EQ(ReleaseGLContext(b, second), 0);
  DestroyWindow(a);
  DestroyWindow(b);
}

// The text on the screen is checked with the saver's counter line
// (saver_modes_wine_test.cpp).
TEST(GLContext, BitmapFontPrintsText) {
  HWND window = MakeWindow(200, 40);
  GLContext* context = CreateGLContext(window, false, false);
  ASSERT_NE(context->renderingContext, nullptr);
  ResizeGLContext(context, 200, 40);
  BitmapFont* font = CreateBitmapFont(context, -14, 400, false, 1, 0x20, "Courier New");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->listCount, 256);
  EXPECT_GT(font->charWidth, 0);
  EXPECT_TRUE(glIsList(font->listBase + 'A'));
  EXPECT_EQ(PrintText(context, font, 4, 30, "%s %d", "MMMM", 42), 0);
  EXPECT_EQ(PrintText(context, font, 4, 30, nullptr), -1);

  // A text longer than 2047 characters is cut, not overrun.
  std::string longText(5000, 'x');
  EXPECT_EQ(PrintText(context, font, 4, 30, "%s", longText.c_str()), 0);
  ReleaseGLContext(window, context);
  DestroyWindow(window);
}

TEST(GLContext, ExtensionsResolveThroughWgl) {
  HWND window = MakeWindow(16, 16);
  GLContext* context = CreateGLContext(window, false, false);
  ASSERT_NE(context->renderingContext, nullptr);
  InstallWin32ExtensionHooks();
  static ExtensionRegistry registry;
  LoadExtensionsFromString(registry, reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
  ASSERT_TRUE(HasExtension(registry, kExtVertexBufferObject)) << registry.extensions;
  EXPECT_NE(GetEntryPoint(registry, "glBindBufferARB"), UnavailableExtensionStub);
  EXPECT_NE(GetEntryPoint(registry, "glBufferDataARB"), UnavailableExtensionStub);
  ReleaseExtensionRegistry(registry);
  ReleaseGLContext(window, context);
  DestroyWindow(window);
}

// GLU, loaded at its first use, builds every level where the driver cannot.
TEST(GLContext, LateGluBuildsEveryMipmapLevel) {
  HWND window = MakeWindow(16, 16);
  GLContext* context = CreateGLContext(window, false, false);
  ASSERT_NE(context->renderingContext, nullptr);
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  unsigned char alpha[8 * 4];
  for (int i = 0; i < 8 * 4; ++i) alpha[i] = static_cast<unsigned char>(i * 8);
  ASSERT_EQ(late::BuildMipmapsWithGlu(GL_TEXTURE_2D, GL_ALPHA8, 8, 4, GL_ALPHA, GL_UNSIGNED_BYTE, alpha), 0);
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_HEIGHT, &height);
  EXPECT_EQ(width, 1);
  EXPECT_EQ(height, 1);
  glDeleteTextures(1, &name);
  ReleaseGLContext(window, context);
  DestroyWindow(window);
}

}  // namespace
