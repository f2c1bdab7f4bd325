// The Win32 platform layer itself: waiting on a real event, pausing, finding the
// module that holds the code, and loading a DLL whose helper DLL lies beside it.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>

#include "platform/module.h"
#include "platform/wait.h"
#include "win32/harness.h"

namespace wintest {
namespace {

using qv::platform::WaitResult;

struct EventCloser {
  HANDLE event;
  ~EventCloser() { CloseHandle(event); }
};

TEST(WaitTest, AutoResetEventIsConsumedByTheWaitThatSeesIt) {
  struct Case {
    const char *what;
    bool setBefore;
    int timeoutMs;
    WaitResult first;
  };
  const Case cases[] = {
      {"set before a long wait", true, 60000, WaitResult::Signalled},
      {"set before a wait of no time", true, 0, WaitResult::Signalled},
      {"not set, no time", false, 0, WaitResult::TimedOut},
      {"not set, a short time", false, 20, WaitResult::TimedOut},
      // A negative time must not become an endless wait.
      {"not set, a negative time", false, -1, WaitResult::TimedOut},
  };
  for (const Case &c : cases) {
    EventCloser e{CreateEventA(nullptr, FALSE, c.setBefore ? TRUE : FALSE, nullptr)};
    ASSERT_NE(e.event, nullptr);
    EXPECT_EQ(qv::platform::waitForEvent(e.event, c.timeoutMs), c.first) << c.what;
    // Whatever the first wait saw, the event is not set now.
    EXPECT_EQ(qv::platform::waitForEvent(e.event, 0), WaitResult::TimedOut) << c.what;
  }
}

TEST(WaitTest, WakesWhenAnotherThreadSetsTheEvent) {
  EventCloser e{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
  ASSERT_NE(e.event, nullptr);
  for (int round = 0; round < 5; ++round) {
    std::thread setter([&] {
      Sleep(20);
      SetEvent(e.event);
    });
    EXPECT_EQ(qv::platform::waitForEvent(e.event, 60000), WaitResult::Signalled) << round;
    setter.join();
    EXPECT_EQ(qv::platform::waitForEvent(e.event, 0), WaitResult::TimedOut) << round;
  }
}

TEST(WaitTest, HandlesThatNameNoEventFail) {
  // Null, and the simulator's "invalid_event" handle, which no process table holds.
  void *const handles[] = {nullptr, reinterpret_cast<void *>(std::intptr_t{0x7FFFFFFC})};
  for (void *handle : handles)
    EXPECT_EQ(qv::platform::waitForEvent(handle, 5000), WaitResult::Failed) << handle;
}

TEST(SleepTest, BlocksForTheTimeAndNotForNothing) {
  qv::platform::sleepMs(0);
  qv::platform::sleepMs(-5);
  const auto start = std::chrono::steady_clock::now();
  qv::platform::sleepMs(40);
  // Only a lower bound, with room for the system timer's granularity.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

TEST(OwnDirectoryTest, IsTheFolderOfTheModuleHoldingTheCodeEvenWithTheLibraryLoaded) {
  // This program holds a copy of the platform code; with QuorvaneNative.dll loaded from
  // another folder, a lookup by the library's file name alone would find that DLL.
  java();
  ASSERT_NE(GetModuleHandleA("QuorvaneNative.dll"), nullptr);
  char directory[qv::platform::kMaxPath];
  ASSERT_TRUE(qv::platform::ownDirectory(directory, sizeof directory));
  char exe[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  ASSERT_GT(length, 0u);
  std::string expected(exe, length);
  expected.erase(expected.find_last_of("\\/") + 1);
  EXPECT_EQ(std::string(directory), expected);
}

TEST(OwnDirectoryTest, FailsWithAnEmptyBufferWhenTheFolderDoesNotFit) {
  char full[qv::platform::kMaxPath];
  ASSERT_TRUE(qv::platform::ownDirectory(full, sizeof full));
  const std::size_t length = std::strlen(full);
  struct Case {
    std::size_t capacity;
    bool fits;
  };
  const Case cases[] = {{1, false}, {length, false}, {length + 1, true}};
  for (const Case &c : cases) {
    char buffer[qv::platform::kMaxPath];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(qv::platform::ownDirectory(buffer, c.capacity), c.fits) << c.capacity;
    EXPECT_STREQ(buffer, c.fits ? full : "") << c.capacity;
  }
  EXPECT_FALSE(qv::platform::ownDirectory(full, 0));
}

// A driver DLL loaded by full path finds the helper DLL in its own folder, though that
// folder is not on the search path: pccam.dll imports qvsim.dll. Each load runs in a
// fresh child process, which holds no qvsim.dll yet.
TEST(LoadModuleTest, DriverFindsItsHelperDllInItsOwnFolder) {
  Folder folder("helper");
  folder.copyBuilt({"pccam.dll", "qvsim.dll"});
  const std::string backslashed = (folder.path() / "pccam.dll").string();
  std::string slashed = backslashed;
  for (char &c : slashed)
    if (c == '\\') c = '/';
  struct Case {
    const char *how;
    std::string path;
    bool loads;
  };
  const Case cases[] = {
      {"platform", backslashed, true},
      {"platform", slashed, true},
      // Without the altered search path the helper is not found: this is what the
      // library's full-path load must not do.
      {"plain", backslashed, false},
  };
  for (const Case &c : cases) {
    const ChildResult child = runChild({"load", c.how, c.path});
    ASSERT_EQ(child.exitCode, 0) << child.output;
    EXPECT_EQ(child.line("result"), c.loads ? "1" : "0") << c.how << " " << c.path;
    const std::vector<std::string> expected =
        c.loads ? std::vector<std::string>{samePath(folder.path() / "pccam.dll"),
                                           samePath(folder.path() / "qvsim.dll")}
                : std::vector<std::string>{};
    std::vector<std::string> loaded = child.lines("loaded");
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(loaded, expected) << c.how << " " << c.path;
    // The host's own error mode (SEM_NOGPFAULTERRORBOX) is back after the load.
    EXPECT_EQ(child.line("errormode"), "2") << c.how;
  }
}

TEST(LoadModuleTest, NamesThatFindNothingGiveNull) {
  EXPECT_EQ(qv::platform::loadModule(nullptr), nullptr);
  EXPECT_EQ(qv::platform::loadModuleBySearch(nullptr), nullptr);
  EXPECT_EQ(qv::platform::loadModuleBySearch("qv_no_such_library"), nullptr);
  Folder empty("empty");
  EXPECT_EQ(qv::platform::loadModule((empty.path() / "pccam.dll").string().c_str()), nullptr);
  EXPECT_EQ(qv::platform::findSymbol(nullptr, "INITBOARD"), nullptr);
}

}  // namespace
}  // namespace wintest
