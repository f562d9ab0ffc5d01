#include "registration.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "appmodule.h"

namespace {

TEST(RegistrationTest, RegisterWritesTheDesktopEntryAndUnregisterRemovesIt) {
  const std::filesystem::path home =
      std::filesystem::temp_directory_path() / ("delvarine-reg-" + std::to_string(getpid()));
  std::filesystem::remove_all(home);
  setenv("XDG_DATA_HOME", home.c_str(), 1);
  setenv("XDG_DATA_DIRS", "/nonexistent", 1);

  std::string error;
  ASSERT_EQ(RegisterDesktopEntry("/usr/bin/delvarine", error), 0) << error;
  const std::filesystem::path entry = home / "applications" / "delvarine.desktop";
  ASSERT_EQ(DesktopEntryPath(), entry);
  std::ifstream in(entry);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_NE(content.str().find("Exec=\"/usr/bin/delvarine\""), std::string::npos);
  EXPECT_NE(content.str().find("Type=Application"), std::string::npos);

  UnregisterDesktopEntry();
  EXPECT_FALSE(std::filesystem::exists(entry));
  // Removing what is not there is no failure.
  UnregisterDesktopEntry();
  std::filesystem::remove_all(home);
}

TEST(RegistrationTest, RegisterLeavesThePackagesEntryAlone) {
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("delvarine-pkg-" + std::to_string(getpid()));
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "share" / "applications");
  std::ofstream(root / "share" / "applications" / "org.delvarine.Delvarine.desktop")
      << "[Desktop Entry]\n";
  setenv("XDG_DATA_DIRS", ("/nonexistent:" + (root / "share").string()).c_str(), 1);
  setenv("XDG_DATA_HOME", (root / "home").c_str(), 1);
  std::string error;
  std::string note;
  EXPECT_EQ(RegisterDesktopEntry("/usr/bin/delvarine", error, &note), 0) << error;
  EXPECT_NE(note.find("already installed"), std::string::npos) << note;
  EXPECT_FALSE(std::filesystem::exists(root / "home"));
  unsetenv("XDG_DATA_DIRS");
  std::filesystem::remove_all(root);
}

TEST(RegistrationTest, RegisterFailsWhenTheFolderCannotBeMade) {
  const std::filesystem::path blocker =
      std::filesystem::temp_directory_path() / ("delvarine-file-" + std::to_string(getpid()));
  std::ofstream(blocker) << "not a folder";
  setenv("XDG_DATA_HOME", blocker.c_str(), 1);
  setenv("XDG_DATA_DIRS", "/nonexistent", 1);
  std::string error;
  EXPECT_EQ(RegisterDesktopEntry("/usr/bin/delvarine", error), 1);
  EXPECT_NE(error.find("cannot write"), std::string::npos);
  std::filesystem::remove(blocker);
}

TEST(AppModuleTest, LockCountsUpAndDown) {
  AppModule module;
  EXPECT_EQ(module.Lock(), 1);
  EXPECT_EQ(module.Lock(), 2);
  EXPECT_EQ(module.Unlock(), 1);
  EXPECT_EQ(module.Unlock(), 0);
  EXPECT_EQ(module.LockCount(), 0);
}

TEST(AppModuleTest, MonitorWithoutLocksWaitsAndEndsWithTheModule) {
  bool quitCalled = false;
  {
    AppModule module;
    ASSERT_TRUE(module.StartShutdownMonitor([&] { quitCalled = true; }));
  }
  EXPECT_FALSE(quitCalled);
}

}  // namespace
