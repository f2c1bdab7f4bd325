// Bad input through a real JVM on the simulator: calls with nothing loaded, null and
// short arrays, regions far outside the image, extreme settings, a driver whose image
// does not fit its buffer, and events that never come or cannot be waited on. Each
// ends without a crash or a hang, with the documented status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>

#include "reliability/jvm_support.h"

namespace reliability {
namespace {

using namespace jvmtest;

// A camera brought up, set up in video mode, with one frame taken.
void upWithFrame(int color = 0) {
  ASSERT_EQ(initCamera(), (Ints{0, kWidth, kHeight, color}));
  Ints s = scriptedSettings(1);
  ASSERT_EQ(setUpCamera(&s), 0);
  scriptOneFrame();
  std::vector<short> raw(kPixels);
  ASSERT_EQ(acquire(&raw), 0);
}

template <typename T>
bool allEqual(const std::vector<T> &values, T fill) {
  return std::all_of(values.begin(), values.end(), [fill](T v) { return v == fill; });
}

// ---- Every method with nothing loaded ----------------------------------------------------

struct NotLoadedCase {
  const char *method;
  std::function<Ints()> call;
  Ints expected;
};

const std::vector<NotLoadedCase> &notLoadedCases() {
  static const std::vector<NotLoadedCase> cases{
      {"ReleaseCamera", [] { return Ints{releaseCamera()}; }, {kNotLoaded}},
      {"SetUpCamera", [] { Ints s = scriptedSettings(1); return Ints{setUpCamera(&s)}; }, {kNotLoaded}},
      {"SetUpCamera(null)", [] { return Ints{setUpCamera(nullptr)}; }, {kNotLoaded}},
      {"RunCOCAsVIDEO", [] { return Ints{runCocAsVideo()}; }, {kNotLoaded}},
      {"StopCOC", [] { return Ints{stopCoc()}; }, {kNotLoaded}},
      {"Acquire",
       [] {
         std::vector<short> a(kPixels, 9);
         const int s = acquire(&a);
         return Ints{s, allEqual<short>(a, 9)};
       },
       {kIncomplete, 1}},
      {"Acquire8",
       [] {
         std::vector<signed char> a(kPixels, 9);
         const int s = acquire8(&a);
         return Ints{s, allEqual<signed char>(a, 9)};
       },
       {kIncomplete, 1}},
      {"AcquireRGB",
       [] {
         std::vector<int> a(kPixels, 9);
         const int s = acquireRgb(&a);
         return Ints{s, allEqual(a, 9)};
       },
       {kIncomplete, 1}},
      // With no frame to read: the neutral factors and the failure status, and the
      // default bounds of an empty histogram.
      {"WhiteBalance", [] { Ints r = wholeImage(); return whiteBalance(&r); },
       {100, 100, 100, kWhiteBalanceFailed}},
      {"AutoMinMax", [] { Ints r = wholeImage(); return autoMinMax(1, &r); }, {0, 4095}},
  };
  return cases;
}

class NotLoaded : public testing::TestWithParam<bool> {};

TEST_P(NotLoaded, EveryMethodCallsNothingAndReportsIt) {
  const bool afterRelease = GetParam();
  configure(0);
  if (afterRelease) {
    upWithFrame();
    ASSERT_EQ(releaseCamera(), 0);
  }
  sim().journalClear();
  // Twice, so that the first round's calls cannot have loaded anything for the second.
  for (int round = 0; round < 2; ++round) {
    for (const NotLoadedCase &c : notLoadedCases()) {
      SCOPED_TRACE(c.method);
      EXPECT_EQ(c.call(), c.expected);
    }
  }
  EXPECT_EQ(sim().journalCount(), 0) << "a vendor entry point was called";
  expectRecovers(0);
}

INSTANTIATE_TEST_SUITE_P(Calls, NotLoaded, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool> &param) {
                           return param.param ? "AfterReleaseCamera" : "BeforeInitCamera";
                         });

// ---- Null, empty and short arrays ----------------------------------------------------------

constexpr int kNull = -1;

struct ArrayCase {
  const char *method;
  int length;  // kNull: a null array
};

// Each method with a null array, an empty one and one element too few.
std::vector<ArrayCase> arrayCases() {
  std::vector<ArrayCase> cases;
  for (auto [method, needed] : {std::pair{"SetUpCamera", 14}, {"Acquire", kPixels},
                                {"Acquire8", kPixels}, {"AcquireRGB", kPixels},
                                {"WhiteBalance", 4}, {"AutoMinMax", 4}})
    for (int length : {kNull, 0, needed - 1}) cases.push_back({method, length});
  return cases;
}

template <typename T>
std::vector<T> *maybe(std::vector<T> &values, int length) {
  return length == kNull ? nullptr : &values;
}

TEST(BadArrays, NullEmptyAndShortArraysChangeNothingAndAreNotWritten) {
  configure(0);
  upWithFrame();
  Ints s = distinctSettings(1);
  ASSERT_EQ(setUpCamera(&s), 0);
  const Ints bounds = storedBounds();
  const Ints factors = storedFactors();
  ASSERT_EQ(bounds, (Ints{100, 3000}));

  for (const ArrayCase &c : arrayCases()) {
    SCOPED_TRACE(std::string(c.method) + " with length " + std::to_string(c.length));
    const std::size_t n = c.length == kNull ? 0 : static_cast<std::size_t>(c.length);
    const std::string method = c.method;
    scriptOneFrame();
    sim().journalClear();
    if (method == "SetUpCamera") {
      Ints a(n, 1);
      EXPECT_EQ(setUpCamera(maybe(a, c.length)), kBadSettings);
      EXPECT_EQ(sim().journalCount(), 0);
    } else if (method == "Acquire") {
      std::vector<short> a(n, 9);
      EXPECT_EQ(acquire(maybe(a, c.length)), kIncomplete);
      EXPECT_TRUE(allEqual<short>(a, 9));
    } else if (method == "Acquire8") {
      std::vector<signed char> a(n, 9);
      EXPECT_EQ(acquire8(maybe(a, c.length)), kIncomplete);
      EXPECT_TRUE(allEqual<signed char>(a, 9));
      EXPECT_EQ(sim().count("CONV_BUF_12TO8_EX"), 0);
    } else if (method == "AcquireRGB") {
      std::vector<int> a(n, 9);
      EXPECT_EQ(acquireRgb(maybe(a, c.length)), kIncomplete);
      EXPECT_TRUE(allEqual(a, 9));
      EXPECT_EQ(sim().count("CONV_BUF_12TOPSEUDO_EX"), 0);
    } else if (method == "WhiteBalance") {
      Ints a(n, 7);
      Ints expected = factors;
      expected.push_back(kWhiteBalanceFailed);
      EXPECT_EQ(whiteBalance(maybe(a, c.length)), expected);
      EXPECT_TRUE(allEqual(a, 7));
      EXPECT_EQ(sim().journalCount(), 0);
    } else {
      Ints a(n, 7);
      EXPECT_EQ(autoMinMax(0, maybe(a, c.length)), bounds);
      EXPECT_TRUE(allEqual(a, 7));
      EXPECT_EQ(sim().journalCount(), 0);
    }
    // Nothing stored changed, and lastStatus is what the last vendor call left.
    EXPECT_EQ(storedBounds(), bounds);
    EXPECT_EQ(storedFactors(), factors);
  }
  // A longer array takes the frame and keeps what lies beyond it.
  scriptOneFrame();
  std::vector<short> longer(kPixels + 3, 9);
  EXPECT_EQ(acquire(&longer), 0);
  EXPECT_EQ((std::vector<short>(longer.end() - 3, longer.end())), (std::vector<short>(3, 9)));
  longer.resize(kPixels);
  expectPatternFrame(longer);
  expectRecovers(0);
}

// ---- Regions far outside the image -------------------------------------------------------

const int kMin = INT_MIN, kMax = INT_MAX;

struct RegionCase {
  Ints region;
  Ints inside;         // the part inside the 64 x 48 image, unrounded; empty when none
  Ints writtenBack;    // WhiteBalance's array afterwards: width and height rounded
  Ints balancedSize;   // width and height handed to AUTOBALANCE; empty when not called
};

const std::vector<RegionCase> kRegions{
    {{-10, -10, 20, 20}, {0, 0, 10, 10}, {-10, -10, 20, 20}, {10, 10}},
    {{kMin, kMin, kMax, kMax}, {}, {kMin, kMin, kMax - 1, kMax - 1}, {}},
    {{kMax, kMax, kMax, kMax}, {}, {kMax, kMax, kMax - 1, kMax - 1}, {}},
    {{kWidth - 3, kHeight - 3, kMax, kMax}, {61, 45, 3, 3}, {61, 45, kMax - 1, kMax - 1}, {4, 4}},
    {{0, 0, -5, -5}, {}, {0, 0, -4, -4}, {}},
    {{kWidth, kHeight, 10, 10}, {}, {kWidth, kHeight, 10, 10}, {}},
    {{-5, 0, kMax, kHeight}, {0, 0, kWidth, kHeight}, {-5, 0, kMax - 1, kHeight}, {kWidth, kHeight}},
    {{kMin, 0, kMax, kHeight}, {}, {kMin, 0, kMax - 1, kHeight}, {}},
    {{10, 10, kMin, kMin}, {}, {10, 10, kMin, kMin}, {}},
    {{1, 1, kWidth, kHeight}, {1, 1, kWidth - 1, kHeight - 1}, {1, 1, kWidth, kHeight},
     {kWidth, kHeight}},
    {{3, 5, 11, 7}, {3, 5, 11, 7}, {3, 5, 10, 6}, {10, 6}},
    {{-3, -3, 10, 10}, {0, 0, 7, 7}, {-3, -3, 10, 10}, {8, 8}},
    {{kWidth - 1, 0, 3, kHeight}, {kWidth - 1, 0, 1, kHeight}, {kWidth - 1, 0, 2, kHeight},
     {2, kHeight}},
    {{kMax - 1, kMax - 1, 2, 2}, {}, {kMax - 1, kMax - 1, 2, 2}, {}},
    {{-kMax, -kMax, kMax, kMax}, {}, {-kMax, -kMax, kMax - 1, kMax - 1}, {}},
};

std::string describe(const Ints &values) {
  std::string out;
  for (int v : values) out += std::to_string(v) + " ";
  return out;
}

TEST(BadRegions, OnlyThePartInsideTheImageIsEverRead) {
  configure(1);
  upWithFrame(1);
  for (const RegionCase &c : kRegions) {
    SCOPED_TRACE("region " + describe(c.region));
    // The automatic range counts exactly the pixels inside the image.
    Ints region = c.region;
    const Ints range = autoMinMax(0, &region);
    EXPECT_EQ(region, c.region) << "AutoMinMax wrote its region";
    if (c.inside.empty()) {
      EXPECT_EQ(range, (Ints{0, 4095}));
    } else {
      Ints inside = c.inside;
      EXPECT_EQ(range, autoMinMax(0, &inside));
    }
    for (int proportional : {1, kMin}) {
      region = c.region;
      const Ints tenth = autoMinMax(proportional, &region);
      ASSERT_EQ(tenth.size(), 2u);
      EXPECT_TRUE(tenth[0] >= 0 && tenth[0] <= 4094 && tenth[1] >= 0 && tenth[1] <= 4095);
    }

    // White balance works on whole 2 x 2 cells inside the image, or not at all.
    region = c.region;
    sim().journalClear();
    const Ints balance = whiteBalance(&region);
    EXPECT_EQ(region, c.writtenBack);
    ASSERT_EQ(balance.size(), 4u);
    if (c.balancedSize.empty()) {
      EXPECT_EQ(sim().count("AUTOBALANCE"), 0);
      EXPECT_EQ(balance, (Ints{100, 100, 100, kWhiteBalanceFailed}));
    } else {
      const QvSimCall call = sim().last("AUTOBALANCE");
      EXPECT_EQ((Ints{static_cast<int>(call.arg[1]), static_cast<int>(call.arg[2])}),
                c.balancedSize);
      if (balance[3] != 0) {
        EXPECT_EQ(balance, (Ints{100, 100, 100, kWhiteBalanceFailed}));
      }
    }
    EXPECT_EQ(storedFactors(), (Ints{balance[0], balance[1], balance[2]}));
  }
  expectRecovers(1);
}

// ---- Extreme settings -------------------------------------------------------------------------

struct SettingsCase {
  const char *what;
  std::vector<std::pair<int, int>> changes;  // element index, value
  bool refusedBySetMode;                     // an argument SETMODE rejects
};

std::vector<SettingsCase> settingsCases() {
  std::vector<SettingsCase> cases;
  // Each SETMODE argument at either end of the int range: the driver refuses it.
  for (int index : {0, 1, 2, 3, 4})
    for (int value : {kMin, kMax})
      cases.push_back({"SETMODE argument", {{index, value}}, true});
  // The elements the library keeps, all at once at either end, and factors of 0.
  std::vector<std::pair<int, int>> allMax, allMin;
  for (int index = 5; index < 14; ++index) {
    allMax.push_back({index, kMax});
    allMin.push_back({index, kMin});
  }
  cases.push_back({"elements 5 to 13 at INT_MAX", allMax, false});
  cases.push_back({"elements 5 to 13 at INT_MIN", allMin, false});
  cases.push_back({"all factors 0", {{7, 0}, {8, 0}, {9, 0}}, false});
  cases.push_back({"red and blue 0", {{7, 0}, {9, 0}, {11, 4095}}, false});
  cases.push_back({"mixed ends", {{7, kMin}, {8, kMax}, {9, 1}, {10, kMax}, {11, kMin}}, false});
  cases.push_back({"tiny factors, huge range", {{7, 1}, {8, kMax}, {9, kMin}, {11, kMax}}, false});
  return cases;
}

TEST(BadSettings, ExtremeValuesGiveTheDriversAnswerOrSucceed) {
  configure(0);
  upWithFrame();
  for (const SettingsCase &c : settingsCases()) {
    Ints s = scriptedSettings(1);
    std::string what = c.what;
    for (auto [index, value] : c.changes) {
      s[static_cast<std::size_t>(index)] = value;
      what += " [" + std::to_string(index) + "]=" + std::to_string(value);
    }
    SCOPED_TRACE(what);
    scriptFrames({{1, 2}, {1, 2}});
    sim().journalClear();
    const int status = setUpCamera(&s);
    const QvSimCall mode = sim().last("SETMODE");
    // The mode word never carries more than the triggered bit and the mode.
    EXPECT_EQ(mode.arg[1] & 0xE, 0);
    EXPECT_EQ(mode.arg[1] & 1, s[5] == 0 ? 1 : 0);
    if (c.refusedBySetMode) {
      EXPECT_NE(status, 0);
      EXPECT_EQ(status, mode.result);
      EXPECT_EQ(sim().count("START_CAMERA"), 0);
    } else {
      EXPECT_EQ(status, 0);
      ASSERT_EQ(mode.result, 0);
      const QvSimCall colour = sim().last("CONVERT_SET_COL_EX");
      EXPECT_EQ((std::vector<long long>(colour.arg + 1, colour.arg + 4)),
                (std::vector<long long>{50, 50, 50}));
      for (int i = 4; i < 7; ++i) {
        EXPECT_TRUE(colour.arg[i] >= kMin && colour.arg[i] <= kMax) << "bound " << i;
      }
      if (s[7] == 0 && s[9] == 0) {  // a factor of 0 counts as equal to green
        EXPECT_EQ((std::vector<long long>(colour.arg + 4, colour.arg + 7)),
                  (std::vector<long long>(3, s[11])));
      }
    }
    // Elements 7 to 11 are stored whatever SETMODE said, and frames still come.
    EXPECT_EQ(storedBounds(), (Ints{s[10], s[11]}));
    EXPECT_EQ(storedFactors(), (Ints{s[7], s[8], s[9]}));
    scriptOneFrame();
    std::vector<signed char> grey(kPixels);
    EXPECT_EQ(acquire8(&grey), 0);
    scriptOneFrame();
    std::vector<int> rgb(kPixels);
    EXPECT_EQ(acquireRgb(&rgb), 0);
  }
  expectRecovers(0);
}

// ---- A driver whose image does not fit the buffer ---------------------------------------------

TEST(BadDriver, OversizedImageFailsEveryAcquisitionAndNothingReadsPastTheBuffer) {
  configure(1);
  sim().setInt("oversize", 16);
  ASSERT_EQ(initCamera(), (Ints{0, kWidth, kHeight, 1}));
  Ints s = scriptedSettings(1);
  ASSERT_EQ(setUpCamera(&s), 0);
  const int wider = (kWidth + 16) * kHeight;
  for (int round = 0; round < 2; ++round) {
    scriptOneFrame();
    sim().journalClear();
    std::vector<short> raw(wider, 9);
    std::vector<signed char> grey(wider, 9);
    std::vector<int> rgb(wider, 9);
    EXPECT_EQ(acquire(&raw), kIncomplete);
    EXPECT_EQ(acquire8(&grey), kIncomplete);
    EXPECT_EQ(acquireRgb(&rgb), kIncomplete);
    EXPECT_TRUE(allEqual<short>(raw, 9) && allEqual<signed char>(grey, 9) && allEqual(rgb, 9));
    EXPECT_EQ(sim().count("ADD_BUFFER_TO_LIST"), 0);
    EXPECT_EQ(sim().count("CONV_BUF_12TOCOL_EX"), 0);
    Ints region{0, 0, kWidth + 16, kHeight};
    EXPECT_EQ(whiteBalance(&region), (Ints{100, 100, 100, kWhiteBalanceFailed}));
    EXPECT_EQ(sim().count("AUTOBALANCE"), 0);
    region = {0, 0, kWidth + 16, kHeight};
    EXPECT_EQ(autoMinMax(0, &region), (Ints{0, 4095}));
  }
  sim().setInt("oversize", 0);
  expectRecovers(1);
}

// ---- Events that never come, or cannot be waited on -----------------------------------------

TEST(BadEvents, AnEventThatNeverComesEndsAfterTheBoundedWaits) {
  configure(0);
  upWithFrame();
  const QvSimStep never{0, 0};
  sim().script(&never, 1, 1);
  sim().journalClear();
  std::vector<short> raw(kPixels, 9);
  EXPECT_EQ(acquire(&raw), kIncomplete);
  EXPECT_TRUE(allEqual<short>(raw, 9));
  // 15 waits of 2000 ms, each followed by its status query, then off the list.
  EXPECT_EQ(sim().count("GETBUFFER_STATUS"), 15);
  EXPECT_EQ(sim().count("ADD_BUFFER_TO_LIST"), 1);
  EXPECT_EQ(sim().names().back(), "REMOVE_BUFFER_FROM_LIST");
  EXPECT_EQ(lastStatus(), 0);
  expectRecovers(0);
}

TEST(BadEvents, AnInvalidEventHandleEndsEachAcquisitionAtOnce) {
  configure(0, true);
  ASSERT_EQ(initCamera()[0], 0);
  // Triggered set-up: both discarded acquisitions end at their first status query.
  Ints triggered = scriptedSettings(0);
  scriptFrames({{0, 0}});
  sim().journalClear();
  EXPECT_EQ(setUpCamera(&triggered), 0);
  EXPECT_EQ(sim().count("GETBUFFER_STATUS"), 2);
  EXPECT_EQ(sim().count("REMOVE_BUFFER_FROM_LIST"), 2);
  Ints video = scriptedSettings(1);
  ASSERT_EQ(setUpCamera(&video), 0);
  for (auto [word, expected] : {std::pair{0u, kIncomplete}, {1u, kIncomplete}, {0x2001u, kIncomplete},
                                {2u, 0}}) {
    SCOPED_TRACE("status word " + std::to_string(word));
    scriptFrames({{1, word}});
    sim().journalClear();
    std::vector<short> raw(kPixels, 9);
    EXPECT_EQ(acquire(&raw), expected);
    EXPECT_EQ(sim().count("GETBUFFER_STATUS"), 1);
    // A failed wait never re-queues.
    EXPECT_EQ(sim().count("ADD_BUFFER_TO_LIST"), 1);
    if (expected == 0) expectPatternFrame(raw);
    else EXPECT_TRUE(allEqual<short>(raw, 9));
  }
  expectRecovers(0);
}

// The descriptors of eventfd events this process holds.
std::set<int> eventDescriptors() {
  std::set<int> fds;
  for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (!error && target.find("eventfd") != std::string::npos)
      fds.insert(std::stoi(entry.path().filename().string()));
  }
  return fds;
}

// True when fd holds exactly the 8 bytes written to it, which it then gives back.
bool stillHolds(int fd, const char (&bytes)[9]) {
  pollfd entry{fd, POLLIN, 0};
  if (poll(&entry, 1, 0) != 1) return false;
  char read8[8];
  return read(fd, read8, 8) == 8 && std::memcmp(read8, bytes, 8) == 0;
}

// A failing SETBUFFER_EVENT leaves no event. The acquisition must not wait on a
// descriptor that is not the driver's: neither descriptor 0 (standard input), nor the
// number of the event of an earlier bring-up, closed since and maybe reused. Either
// holds 8 bytes of someone else's data here, which must still be there afterwards.
TEST(BadEvents, AFailedEventCallNeverWaitsOnAnotherDescriptor) {
  configure(0);
  const std::set<int> before = eventDescriptors();
  upWithFrame();
  std::set<int> made;
  for (int fd : eventDescriptors())
    if (before.count(fd) == 0) made.insert(fd);
  ASSERT_EQ(made.size(), 1u) << "the driver's event";
  const int closedEvent = *made.begin();
  ASSERT_EQ(releaseCamera(), 0);

  for (auto [what, target] : {std::pair{"standard input", 0}, {"a closed event's number", closedEvent}}) {
    SCOPED_TRACE(what);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const int saved = dup(target);  // -1 when the target is not open
    ASSERT_EQ(dup2(pipeFds[0], target), target);
    const char bytes[9] = "theirs!!";
    ASSERT_EQ(write(pipeFds[1], bytes, 8), 8);

    sim().fail("SETBUFFER_EVENT", kFault, 0, 1);
    ASSERT_EQ(initCamera(), (Ints{0, kWidth, kHeight, 0}));
    Ints s = scriptedSettings(1);
    ASSERT_EQ(setUpCamera(&s), 0);
    scriptFrames({{0, 0}});
    sim().journalClear();
    std::vector<short> raw(kPixels);
    EXPECT_EQ(acquire(&raw), kIncomplete);
    EXPECT_EQ(sim().count("GETBUFFER_STATUS"), 1) << "the acquisition waited";
    EXPECT_TRUE(stillHolds(target, bytes)) << "the library read from descriptor " << target;
    EXPECT_EQ(releaseCamera(), 0);

    if (saved >= 0) {
      dup2(saved, target);
      close(saved);
    } else {
      close(target);
    }
    close(pipeFds[0]);
    close(pipeFds[1]);
  }
  expectRecovers(0);
}

}  // namespace
}  // namespace reliability
