// The acquisition loop and the three frame methods, against scripted status words and
// wait outcomes.
#include <gtest/gtest.h>

#include <numeric>

#include "camera/camera.h"
#include "camera/state.h"
#include "camera/status.h"
#include "fakes/fake_vendor.h"

namespace {

using Names = std::vector<std::string>;
using qv::platform::WaitResult;
constexpr WaitResult kSignal = WaitResult::Signalled;
constexpr WaitResult kTimeout = WaitResult::TimedOut;
constexpr WaitResult kFail = WaitResult::Failed;

class AcquisitionTest : public testing::Test {
 protected:
  void SetUp() override {
    fake::install();
    std::array<int, 4> result{};
    ASSERT_EQ(qv::bringUpCamera(result), 0);
    fake::vendor.calls.clear();
  }
  // The calls of one acquisition from its first queueing on, waits included.
  Names loop() const {
    Names names = fake::vendor.names();
    names.erase(names.begin(), std::find(names.begin(), names.end(), "ADD_BUFFER_TO_LIST"));
    return names;
  }
};

TEST_F(AcquisitionTest, FrameInFirstWaitTakesOneStatusQueryAndTwoTriggers) {
  for (int videoMode : {0, 1}) {
    fake::vendor.calls.clear();
    qv::camera().videoMode = videoMode;
    EXPECT_EQ(qv::acquireFrame(), 0);
    EXPECT_EQ(fake::vendor.names(),
              (Names{"GETSIZES", "ADD_BUFFER_TO_LIST", "TRIGGER_CAMERA", "TRIGGER_CAMERA",
                     "wait", "GETBUFFER_STATUS"}));
    EXPECT_EQ(fake::vendor.last("wait")->args[0], videoMode ? 2000 : 5000);
  }
  const fake::Call *add = fake::vendor.last("ADD_BUFFER_TO_LIST");
  EXPECT_EQ(add->args, (std::vector<long long>{add->args[0], 3, 64 * 48 * 2, 0, 0}));
  const fake::Call *status = fake::vendor.last("GETBUFFER_STATUS");
  EXPECT_EQ(status->args[2], 0);
  EXPECT_EQ(status->args[3], 4);
  EXPECT_EQ(qv::imageWidth, 64);
  EXPECT_EQ(qv::imageHeight, 48);
  EXPECT_EQ(qv::imageBytes, 64 * 48 * 2);
}

struct LoopCase {
  const char *what;
  std::vector<WaitResult> waits;
  std::vector<int> words;
  int result;
  Names calls;  // from the first queueing on
  int lastStatus;
};

class AcquisitionLoopTest : public AcquisitionTest,
                            public testing::WithParamInterface<LoopCase> {};

TEST_P(AcquisitionLoopTest, FollowsTheStatusWord) {
  const LoopCase &c = GetParam();
  fake::vendor.waits.assign(c.waits.begin(), c.waits.end());
  fake::vendor.statusWords.assign(c.words.begin(), c.words.end());
  qv::lastStatus = 99;
  EXPECT_EQ(qv::acquireFrame(), c.result) << c.what;
  Names expected{"ADD_BUFFER_TO_LIST", "TRIGGER_CAMERA", "TRIGGER_CAMERA"};
  expected.insert(expected.end(), c.calls.begin(), c.calls.end());
  EXPECT_EQ(loop(), expected) << c.what;
  EXPECT_EQ(qv::lastStatus, c.lastStatus) << c.what;
}

const Names kWaitQuery{"wait", "GETBUFFER_STATUS"};
Names repeat(const Names &names, int times) {
  Names out;
  for (int i = 0; i < times; ++i) out.insert(out.end(), names.begin(), names.end());
  return out;
}
Names join(std::initializer_list<Names> parts) {
  Names out;
  for (const Names &p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Table, AcquisitionLoopTest,
    testing::Values(
        LoopCase{"signalled but incomplete: removed, -54, lastStatus from the query",
                 {kSignal}, {1}, -54, join({kWaitQuery, {"REMOVE_BUFFER_FROM_LIST"}}), 0},
        LoopCase{"time-out with 0x2002: re-queued, then done",
                 {kTimeout}, {0x2002}, 0,
                 join({kWaitQuery, {"REMOVE_BUFFER_FROM_LIST", "ADD_BUFFER_TO_LIST"}}), 0},
        LoopCase{"time-out with 0: waits again without re-queueing",
                 {kTimeout, kSignal}, {0, 2}, 0, repeat(kWaitQuery, 2), 0},
        LoopCase{"time-out with complete word ends the loop", {kTimeout}, {0x0002}, 0,
                 kWaitQuery, 0},
        LoopCase{"re-queue flag on a signalled frame is ignored", {kSignal}, {0x1002}, 0,
                 kWaitQuery, 0},
        LoopCase{"bits 0-1 equal 3 are not complete", {kSignal}, {3}, -54,
                 join({kWaitQuery, {"REMOVE_BUFFER_FROM_LIST"}}), 0},
        LoopCase{"failed wait ends at once through the incomplete path", {kFail}, {0x1000}, -54,
                 join({kWaitQuery, {"REMOVE_BUFFER_FROM_LIST"}}), 0},
        LoopCase{"failed wait with a complete frame succeeds", {kFail}, {2}, 0, kWaitQuery, 0},
        LoopCase{"time-outs are bounded", std::vector<WaitResult>(40, kTimeout), {0}, -54,
                 join({repeat(kWaitQuery, qv::kMaxTimedOutWaits), {"REMOVE_BUFFER_FROM_LIST"}}),
                 0}));

TEST_F(AcquisitionTest, FailingDriverCallsEndTheLoopWithTheirStatus) {
  struct Case {
    const char *failing;
    int skip;  // successful calls of it before the failing one
    std::vector<WaitResult> waits;
    int words;
    int triggers;
  };
  const Case cases[] = {
      {"ADD_BUFFER_TO_LIST", 0, {}, 2, 0},
      {"GETBUFFER_STATUS", 0, {}, 2, 2},
      {"REMOVE_BUFFER_FROM_LIST", 0, {kTimeout}, 0x1000, 2},
      {"ADD_BUFFER_TO_LIST", 1, {kTimeout}, 0x1000, 2},
  };
  for (const Case &c : cases) {
    SetUp();
    fake::vendor.waits.assign(c.waits.begin(), c.waits.end());
    fake::vendor.lastWord = c.words;
    std::deque<int> results(static_cast<std::size_t>(c.skip), 0);
    results.push_back(7);
    fake::vendor.nextResults[c.failing] = results;
    EXPECT_EQ(qv::acquireFrame(), 7) << c.failing;
    EXPECT_EQ(qv::lastStatus, 7) << c.failing;
    EXPECT_EQ(fake::vendor.count("TRIGGER_CAMERA"), c.triggers) << c.failing;
  }
}

TEST_F(AcquisitionTest, ImageLargerThanTheBufferIsNeverQueued) {
  fake::vendor.imageWidth = 65;  // 65 x 48 words do not fit 64 x 48
  EXPECT_EQ(qv::acquireFrame(), qv::kStatusFrameIncomplete);
  EXPECT_EQ(fake::vendor.names(), Names{"GETSIZES"});
  std::vector<std::int16_t> pixels(65 * 48, -1);
  EXPECT_EQ(qv::acquireRaw(pixels.data(), pixels.size()), qv::kStatusFrameIncomplete);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), -1), 65 * 48);
}

TEST_F(AcquisitionTest, FailingGetSizesKeepsTheLastImageSize) {
  ASSERT_EQ(qv::acquireFrame(), 0);
  fake::vendor.failWith["GETSIZES"] = 4;
  EXPECT_EQ(qv::acquireFrame(), 0);
  EXPECT_EQ(qv::imageWidth, 64);
  EXPECT_EQ(qv::imageHeight, 48);
}

TEST_F(AcquisitionTest, RawFrameIsCopiedAsOneBlock) {
  std::iota(fake::vendor.buffer.begin(), fake::vendor.buffer.end(), std::uint16_t{0});
  std::vector<std::int16_t> pixels(64 * 48 + 1, -1);
  EXPECT_EQ(qv::acquireRaw(pixels.data(), pixels.size()), 0);
  for (std::size_t i = 0; i < 64 * 48; ++i) ASSERT_EQ(pixels[i], static_cast<std::int16_t>(i));
  EXPECT_EQ(pixels.back(), -1);
}

TEST_F(AcquisitionTest, ShortOrNullArraysGetNothing) {
  std::vector<std::int16_t> raw(64 * 48 - 1, -1);
  std::vector<std::int8_t> grey(64 * 48 - 1, -1);
  std::vector<std::int32_t> rgb(64 * 48 - 1, -1);
  EXPECT_EQ(qv::acquireRaw(raw.data(), raw.size()), -54);
  EXPECT_EQ(qv::acquire8(grey.data(), grey.size()), -54);
  EXPECT_EQ(qv::acquireRgb(rgb.data(), rgb.size()), -54);
  EXPECT_EQ(qv::acquireRaw(nullptr, 0), -54);
  EXPECT_EQ(qv::acquire8(nullptr, 0), -54);
  EXPECT_EQ(qv::acquireRgb(nullptr, 0), -54);
  EXPECT_EQ(std::count(raw.begin(), raw.end(), -1), 64 * 48 - 1);
  EXPECT_EQ(std::count(grey.begin(), grey.end(), -1), 64 * 48 - 1);
  EXPECT_EQ(std::count(rgb.begin(), rgb.end(), -1), 64 * 48 - 1);
  EXPECT_EQ(fake::vendor.count("CONV_BUF_12TO8_EX") + fake::vendor.count("CONV_BUF_12TOPSEUDO_EX"),
            0);
  EXPECT_EQ(fake::vendor.count("ADD_BUFFER_TO_LIST"), 6);  // the frame was still taken
}

TEST_F(AcquisitionTest, ConversionsUseTheTablesAndAlwaysReturnZero) {
  std::vector<std::int8_t> grey(64 * 48);
  std::vector<std::int32_t> rgb(64 * 48);
  qv::bwLut = fake::bwHandle();
  qv::pseudoLut = fake::pseudoHandle();
  qv::colorLut = fake::colorHandle();
  struct Case {
    int isColor;
    const char *conversion;
    int mode;
    void *table;
  };
  for (const Case &c : {Case{0, "CONV_BUF_12TOPSEUDO_EX", 18, fake::pseudoHandle()},
                        Case{1, "CONV_BUF_12TOCOL_EX", 2, fake::colorHandle()}}) {
    qv::camera().isColor = c.isColor;
    fake::vendor.failWith[c.conversion] = 6;
    EXPECT_EQ(qv::acquireRgb(rgb.data(), rgb.size()), 0);
    EXPECT_EQ(qv::lastStatus, 6);
    const fake::Call *call = fake::vendor.last(c.conversion);
    ASSERT_NE(call, nullptr) << c.conversion;
    EXPECT_EQ(call->args[0], c.mode);
    EXPECT_EQ(call->args[1], 64);
    EXPECT_EQ(call->args[2], 48);
    EXPECT_EQ(call->args[3], reinterpret_cast<std::intptr_t>(qv::frameBuffer));
    EXPECT_EQ(call->args[4], reinterpret_cast<std::intptr_t>(rgb.data()));
    EXPECT_EQ(call->args[5], reinterpret_cast<std::intptr_t>(c.table));
  }
  EXPECT_EQ(qv::acquire8(grey.data(), grey.size()), 0);
  EXPECT_EQ(qv::lastStatus, 0);
  EXPECT_EQ(fake::vendor.last("CONV_BUF_12TO8_EX")->args[0], 0);
  EXPECT_EQ(fake::vendor.last("CONV_BUF_12TO8_EX")->args[5],
            reinterpret_cast<std::intptr_t>(fake::bwHandle()));
  EXPECT_EQ(grey[0], 0x55);
}

TEST_F(AcquisitionTest, FailedQueueingConvertsNothingAndLeavesItsStatus) {
  fake::vendor.failWith["ADD_BUFFER_TO_LIST"] = 7;
  std::vector<std::int8_t> grey(64 * 48);
  EXPECT_EQ(qv::acquire8(grey.data(), grey.size()), -54);
  EXPECT_EQ(qv::lastStatus, 7);
  EXPECT_EQ(fake::vendor.count("CONV_BUF_12TO8_EX"), 0);
  EXPECT_EQ(fake::vendor.count("TRIGGER_CAMERA"), 0);
}

TEST_F(AcquisitionTest, WithoutConversionLibraryReturnsZeroAndSaysNotLoaded) {
  fake::installDriverOnly();
  std::array<int, 4> result{};
  ASSERT_EQ(qv::bringUpCamera(result), 0);
  std::vector<std::int8_t> grey(64 * 48, 1);
  std::vector<std::int32_t> rgb(64 * 48, 1);
  EXPECT_EQ(qv::acquire8(grey.data(), grey.size()), 0);
  EXPECT_EQ(qv::lastStatus, qv::kStatusNotLoaded);
  EXPECT_EQ(qv::acquireRgb(rgb.data(), rgb.size()), 0);
  EXPECT_EQ(grey[0], 1);
}

TEST(AcquisitionNotLoadedTest, CallsNothingAndReturnsMinus54) {
  fake::install();
  qv::resetState();
  std::vector<std::int16_t> raw(4);
  EXPECT_EQ(qv::acquireRaw(raw.data(), raw.size()), -54);
  EXPECT_EQ(qv::acquire8(nullptr, 0), -54);
  EXPECT_EQ(qv::acquireRgb(nullptr, 0), -54);
  EXPECT_TRUE(fake::vendor.calls.empty());
}

}  // namespace
