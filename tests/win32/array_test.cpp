// What only this harness can see: the JNI array calls the exports make, recorded by
// its own JNI environment. The bring-up and camera cases themselves are the JVM
// suite's (tests/jvm), run here through compat/jvm/harness.h.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "win32/harness.h"

namespace wintest {
namespace {

using Ints = std::vector<int>;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kPixels = kWidth * kHeight;

class ArrayRecordTest : public testing::Test {
 protected:
  void SetUp() override {
    java();
    sim().reset();
    sim().setInt("width", kWidth);
    sim().setInt("height", kHeight);
    sim().setInt("pattern", 1);
    sim().setInt("exposure_ms", 1);
  }
  void TearDown() override { java().releaseCamera(); }
  void bringUp(int color = 0) {
    sim().setInt("color", color);
    ASSERT_EQ(java().initCamera(), (Ints{0, kWidth, kHeight, color}));
  }
};

// ---- Array records -------------------------------------------------------------------
// Every call of this harness already checks that each Get was matched by its Release with mode 0.
// Here: the exact sequence per method, and the path where a Get fails.

TEST_F(ArrayRecordTest, EachArrayMethodGetsOnceAndReleasesThoseElementsWithModeZero) {
  bringUp(1);
  Ints s = settings(1);
  struct Case {
    const char *method;
    char type;
    std::function<void()> call;
  };
  std::vector<short> raw(kPixels);
  std::vector<signed char> grey(kPixels);
  std::vector<int> rgb(kPixels);
  Ints region{0, 0, 8, 8};
  const Case cases[] = {
      {"SetUpCamera", 'I', [&] { EXPECT_EQ(java().setUpCamera(&s), 0); }},
      {"Acquire", 'S', [&] { EXPECT_EQ(java().acquire(&raw), 0); }},
      {"Acquire8", 'B', [&] { EXPECT_EQ(java().acquire8(&grey), 0); }},
      {"AcquireRGB", 'I', [&] { EXPECT_EQ(java().acquireRgb(&rgb), 0); }},
      {"WhiteBalance", 'I', [&] { EXPECT_EQ(java().whiteBalance(&region)[3], 0); }},
      {"AutoMinMax", 'I', [&] { java().autoMinMax(1, &region); }},
  };
  for (const Case &c : cases) {
    c.call();
    const std::vector<ArrayEvent> &events = java().lastEvents();
    ASSERT_EQ(events.size(), 2u) << c.method;
    EXPECT_EQ(events[0].kind, ArrayEvent::Get) << c.method;
    EXPECT_EQ(events[1].kind, ArrayEvent::Release) << c.method;
    EXPECT_EQ(events[0].type, c.type) << c.method;
    EXPECT_EQ(events[1].type, c.type) << c.method;
    EXPECT_EQ(events[1].array, events[0].array) << c.method;
    EXPECT_EQ(events[1].elements, events[0].elements) << c.method;
    EXPECT_EQ(events[1].mode, 0) << c.method;
  }
}

// A failed Get or NewIntArray leaves an OutOfMemoryError pending, as in a JVM: the
// failed Get is not released, nothing but a Release or ExceptionCheck follows it, and
// the result array is not made.
TEST_F(ArrayRecordTest, AFailedGetOrNewArrayEndsTheCallWithNothingElseAsked) {
  bringUp();
  Ints s = settings(1);
  ASSERT_EQ(java().setUpCamera(&s), 0);
  std::vector<short> raw(kPixels, -1);
  std::vector<signed char> grey(kPixels, -1);
  std::vector<int> rgb(kPixels, -1);
  Ints region{0, 0, 8, 8};
  struct Case {
    const char *method;
    std::function<void()> call;
  };
  const Case failedGet[] = {
      {"SetUpCamera", [&] { EXPECT_EQ(java().setUpCamera(&s), -57); }},
      {"Acquire", [&] { EXPECT_EQ(java().acquire(&raw), -54); }},
      {"Acquire8", [&] { EXPECT_EQ(java().acquire8(&grey), -54); }},
      {"AcquireRGB", [&] { EXPECT_EQ(java().acquireRgb(&rgb), -54); }},
      {"WhiteBalance", [&] { EXPECT_EQ(java().whiteBalance(&region), Ints{}); }},
      {"AutoMinMax", [&] { EXPECT_EQ(java().autoMinMax(0, &region), Ints{}); }},
  };
  for (const Case &c : failedGet) {
    java().failNextGet();
    c.call();
    const std::vector<ArrayEvent> &events = java().lastEvents();
    ASSERT_EQ(events.size(), 1u) << c.method;
    EXPECT_EQ(events[0].kind, ArrayEvent::Get) << c.method;
    EXPECT_EQ(events[0].elements, nullptr) << c.method;
  }
  EXPECT_EQ(std::count(raw.begin(), raw.end(), -1), kPixels);

  const Case failedNewArray[] = {
      {"InitCamera", [&] { EXPECT_EQ(java().initCamera(), Ints{}); }},
      {"WhiteBalance", [&] { EXPECT_EQ(java().whiteBalance(&region), Ints{}); }},
      {"AutoMinMax", [&] { EXPECT_EQ(java().autoMinMax(0, &region), Ints{}); }},
  };
  for (const Case &c : failedNewArray) {
    java().failNextNewArray();
    c.call();
  }
}

}  // namespace
}  // namespace wintest
