// Loadable modules and their resources.
#include <cstring>

#include "fixture.h"

namespace {

const char kProgramMenu[] = "menu of the program";
PLAT_RESOURCE(plat::res::Menu, 128, kProgramMenu, sizeof kProgramMenu);

class ModulesTest : public DeviceRootTest {
 protected:
  void SetUp() override {
    DeviceRootTest::SetUp();
    Install(KERNEL_TEST_PLUGIN, "Program Files/Quorvan/Bin/ZRTest.dll");
    Install(KERNEL_TEST_PLUGIN, "Program Files/Quorvan/Bin/ZRCopy.dll");
    Install(KERNEL_TEST_PLUGIN, "Program Files/Quorvan/Bin/ZRRefuse.dll");
  }
  void TearDown() override {
    plat::res::SetCurrent(nullptr);
    DeviceRootTest::TearDown();
  }
};

using Calls = int (*)();

TEST_F(ModulesTest, LoadByBareNameUseAndFree) {
  HMODULE module = LoadLibrary(u"zrtest.DLL");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(LoadLibrary(u"\\Program Files\\Quorvan\\Bin\\ZRTest.dll"), module);  // counted, same handle
  EXPECT_EQ(GetModuleHandle(u"ZRTEST.dll"), module);
  WCHAR name[MAX_PATH];
  EXPECT_EQ(GetModuleFileName(module, name, MAX_PATH), 37u);
  EXPECT_EQ(std::u16string(name), u"\\Program Files\\Quorvan\\Bin\\ZRTest.dll");
  WCHAR small[8];
  EXPECT_EQ(GetModuleFileName(module, small, 8), 8u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::u16string(small), u"\\Progra");

  auto calls = reinterpret_cast<Calls>(GetProcAddress(module, "PluginCalls"));
  ASSERT_NE(calls, nullptr);
  EXPECT_EQ(calls(), 1);
  EXPECT_EQ(calls(), 2);
  EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  // A second copy of the same code keeps its globals to itself.
  HMODULE copy = LoadLibrary(u"ZRCopy");
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(copy, module);
  EXPECT_EQ(reinterpret_cast<Calls>(GetProcAddress(copy, "PluginCalls"))(), 1);
  EXPECT_EQ(calls(), 3);
  EXPECT_TRUE(FreeLibrary(copy));

  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandle(u"ZRTest.dll"), module);  // still loaded once
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandle(u"ZRTest.dll"), nullptr);
  EXPECT_FALSE(FreeLibrary(module));
}

// A module's start runs once, when it is first loaded, with its own handle; a start that fails
// leaves the module unloaded.
TEST_F(ModulesTest, AModuleStartsOnceAndOneWhoseStartFailsIsNotLoaded) {
  EXPECT_EQ(LoadLibrary(u"ZRRefuse.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
  EXPECT_EQ(GetModuleHandle(u"ZRRefuse.dll"), nullptr);

  HMODULE module = LoadLibrary(u"ZRTest.dll");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(LoadLibrary(u"ZRTest.dll"), module);
  auto starts = reinterpret_cast<Calls>(GetProcAddress(module, "PluginStarts"));
  auto startedAs = reinterpret_cast<HMODULE (*)()>(GetProcAddress(module, "PluginStartedAs"));
  ASSERT_NE(starts, nullptr);
  ASSERT_NE(startedAs, nullptr);
  EXPECT_EQ(starts(), 1);
  EXPECT_EQ(startedAs(), module);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ModulesTest, MissingModulesAreReported) {
  EXPECT_EQ(LoadLibrary(u"hvsdk.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  WriteHostFile("Program Files/Quorvan/Bin/Broken.dll", "not a module");
  EXPECT_EQ(LoadLibrary(u"Broken.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

TEST_F(ModulesTest, ResourcesBelongToTheirModuleWhileItIsLoaded) {
  HMODULE module = LoadLibrary(u"ZRTest.dll");
  ASSERT_NE(module, nullptr);
  size_t size = 0;
  auto* dialog = static_cast<const char*>(plat::res::Find(module, plat::res::Dialog, 129, &size));
  ASSERT_NE(dialog, nullptr);
  EXPECT_STREQ(dialog, "dialog template 129");
  EXPECT_EQ(size, std::strlen("dialog template 129") + 1);
  auto* caption = static_cast<const char16_t*>(plat::res::Find(module, plat::res::String, 1));
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(std::u16string(caption), u"주문");
  EXPECT_EQ(plat::res::Find(module, plat::res::Dialog, 130), nullptr);
  EXPECT_EQ(plat::res::Find(nullptr, plat::res::Dialog, 129), nullptr);  // not the program's
  EXPECT_EQ(plat::res::Find(nullptr, plat::res::Menu, 128), kProgramMenu);
  EXPECT_EQ(plat::res::Find(GetModuleHandle(nullptr), plat::res::Menu, 128), kProgramMenu);
  EXPECT_EQ(plat::res::Find(module, plat::res::Menu, 128), nullptr);
  auto own = reinterpret_cast<const void* (*)()>(GetProcAddress(module, "PluginOwnDialog"));
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own(), dialog);

  // The current resource module can be switched and restored.
  EXPECT_EQ(plat::res::Current(), GetModuleHandle(nullptr));
  plat::res::SetCurrent(module);
  EXPECT_EQ(plat::res::Current(), module);
  EXPECT_EQ(plat::res::Find(plat::res::Current(), plat::res::Dialog, 129), dialog);
  plat::res::SetCurrent(GetModuleHandle(nullptr));
  EXPECT_EQ(plat::res::Current(), GetModuleHandle(nullptr));

  // Freed: its resources are gone, the current module falls back to the program; loaded
  // again, they are registered again.
  plat::res::SetCurrent(module);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(plat::res::Current(), GetModuleHandle(nullptr));
  HMODULE again = LoadLibrary(u"ZRTest.dll");
  ASSERT_NE(again, nullptr);
  EXPECT_NE(plat::res::Find(again, plat::res::Dialog, 129), nullptr);
  EXPECT_TRUE(FreeLibrary(again));
}

}  // namespace
