// The extension registry: flags by substring, entry points resolved only for
// present extensions, and the stub everywhere else.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "render/extensions.h"

namespace {

std::vector<std::string> g_asked;
void Marker() {}

ExtensionProc ResolveAllButBufferData(const char* name) {
  g_asked.push_back(name);
  if (std::strcmp(name, "glBufferDataARB") == 0) return nullptr;
  return Marker;
}

class Extensions : public ::testing::Test {
 protected:
  void SetUp() override {
    g_asked.clear();
    SetExtensionResolver(ResolveAllButBufferData);
    std::memset(&registry_, 0, sizeof registry_);
  }
  void TearDown() override {
    ReleaseExtensionRegistry(registry_);
    SetExtensionResolver(nullptr);
  }
  ExtensionRegistry registry_;
};

TEST_F(Extensions, FlagsFollowTheExtensionString) {
  ASSERT_EQ(LoadExtensionsFromString(registry_, "GL_EXT_bgra GL_ARB_vertex_buffer_object GL_SGIS_generate_mipmap"), 0);
  EXPECT_TRUE(HasExtension(registry_, kExtBgra));
  EXPECT_TRUE(HasExtension(registry_, kExtVertexBufferObject));
  EXPECT_TRUE(HasExtension(registry_, kExtGenerateMipmap));
  EXPECT_FALSE(HasExtension(registry_, kExtTextureFilterAnisotropic));
  EXPECT_FALSE(HasExtension(registry_, kExtMultitexture));
  EXPECT_STREQ(registry_.extensions, "GL_EXT_bgra GL_ARB_vertex_buffer_object GL_SGIS_generate_mipmap");
  // Outside the flag table.
  EXPECT_FALSE(HasExtension(registry_, 128));
  EXPECT_FALSE(HasExtension(registry_, 1000));
  EXPECT_FALSE(HasExtension(registry_, -1));
}

TEST_F(Extensions, TheTestIsAPlainSubstringTest) {
  // A longer name that contains a listed one sets its flag too.
  LoadExtensionsFromString(registry_, "GL_EXT_bgra_extended");
  EXPECT_TRUE(HasExtension(registry_, kExtBgra));
  LoadExtensionsFromString(registry_, "XGL_ARB_multitextureX");
  EXPECT_TRUE(HasExtension(registry_, kExtMultitexture));
  EXPECT_FALSE(HasExtension(registry_, kExtBgra)) << "a second load starts from clear flags";
}

TEST_F(Extensions, EntryPointsAreResolvedOnlyForPresentExtensions) {
  LoadExtensionsFromString(registry_, "GL_ARB_vertex_buffer_object");
  ASSERT_EQ(g_asked.size(), 11u);
  EXPECT_EQ(GetEntryPoint(registry_, "glBindBufferARB"), Marker);
  // A name that resolves to nothing keeps the stub.
  EXPECT_EQ(GetEntryPoint(registry_, "glBufferDataARB"), UnavailableExtensionStub);
  // Entry points of an absent extension hold the stub.
  EXPECT_EQ(GetEntryPoint(registry_, "glActiveTextureARB"), UnavailableExtensionStub);
  EXPECT_EQ(GetEntryPoint(registry_, "glNoSuchFunction"), UnavailableExtensionStub);
}

TEST_F(Extensions, EverySlotHoldsTheStubWithoutExtensions) {
  LoadExtensionsFromString(registry_, nullptr);
  EXPECT_STREQ(registry_.extensions, "");
  for (ExtensionProc slot : registry_.entryPoints) EXPECT_EQ(slot, UnavailableExtensionStub);
  for (int i = 0; i < kExtensionFlagCount; ++i) EXPECT_FALSE(HasExtension(registry_, i));
  EXPECT_TRUE(g_asked.empty());
}

TEST_F(Extensions, TheFullTableResolvesEveryNameInOrder) {
  std::string all;
  for (int i = 0; i < KnownExtensionCount(); ++i) all += std::string(KnownExtensionName(i)) + " ";
  LoadExtensionsFromString(registry_, all.c_str());
  for (int i = 0; i < KnownExtensionCount(); ++i) EXPECT_TRUE(HasExtension(registry_, KnownExtensionIndex(i)));
  ASSERT_EQ(g_asked.size(), static_cast<size_t>(kExtensionEntryPointCount));
  // Every name has exactly one slot.
  for (size_t i = 0; i < g_asked.size(); ++i) EXPECT_EQ(ExtensionEntryPointSlot(g_asked[i].c_str()), static_cast<int>(i));
  EXPECT_EQ(KnownExtensionCount(), 24);
  EXPECT_EQ(KnownExtensionIndex(24), -1);
  EXPECT_EQ(KnownExtensionName(-1), nullptr);
}

TEST(ExtensionStub, EndsTheProcessWithStatusOne) {
  EXPECT_EXIT(UnavailableExtensionStub(), ::testing::ExitedWithCode(1), "Unavailable OpenGL extension function");
}

}  // namespace
