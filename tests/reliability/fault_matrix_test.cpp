// The fault-injection matrix, through a real JVM on the simulator. For each exported
// method, in each situation it is called in (a scenario), a fault-free run first lists
// the vendor calls the method makes; then each of those calls, at each point it is
// made (its n-th call), fails in turn with status 7 (a creation call with a null
// handle). Every case checks the returned status, the state Java can see afterwards,
// and that release, bring-up, set-up and acquisition work again. The expected outcome
// of every point is in the table below; a point without a row, or a row without a
// point, fails the scenario. -Xcheck:jni reports fail the test through ctest.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "reliability/jvm_support.h"

namespace reliability {
namespace {

using namespace jvmtest;

// What one call of an exported method gave, as Java sees it.
struct Outcome {
  Ints values;                   // the int result, or the result array
  bool arrayUntouched = true;    // the array handed in still holds its fill
  std::vector<short> raw;        // Acquire's array after the call
  Ints region;                   // WhiteBalance's region after the call
  std::vector<QvSimCall> calls;  // the vendor calls the method made
};

using Check = std::function<void(const Outcome &)>;

struct Scenario {
  std::string name;
  int color;
  bool invalidEvent;
  std::function<void()> prepare;  // from the state expectRecovers leaves
  std::function<Outcome()> call;
  // Points are taken from the first call of `from` on (all when empty), and none of the
  // entries in `skip`: those points are covered by an earlier scenario.
  std::string from;
  std::set<std::string> skip;
  // The fault-free run leaves a state the next case cannot start from.
  bool recoverAfterCleanRun = false;
};

constexpr int kHidden = INT_MIN;  // lastStatus is not visible, or not changed by the case

struct Row {
  std::string scenario;
  const char *entry;  // nullptr: the fault-free run
  int nth;
  Ints values;     // expected result; empty when the check decides
  int lastStatus;  // expected lastStatus after the call, or kHidden
  Check check;     // further expectations on the state, or empty
};

// ---- Calling the methods ----------------------------------------------------------------

constexpr short kRawFill = 0x5A5A;
constexpr signed char kGreyFill = 0x5A;
constexpr int kRgbFill = 0x5A5A5A5A;

template <typename T>
bool allEqual(const std::vector<T> &values, T fill) {
  return std::all_of(values.begin(), values.end(), [fill](T v) { return v == fill; });
}

Outcome finish(Outcome o) {
  o.calls = sim().journal();
  return o;
}

Outcome callInit() { return finish({initCamera()}); }
Outcome callRelease() { return finish({{releaseCamera()}}); }
Outcome callRunCoc() { return finish({{runCocAsVideo()}}); }
Outcome callStopCoc() { return finish({{stopCoc()}}); }

Outcome callSetUp(const Ints &settingsValues) {
  Ints copy = settingsValues;
  return finish({{setUpCamera(&copy)}});
}

Outcome callAcquire() {
  std::vector<short> frame(kPixels, kRawFill);
  Outcome o{{acquire(&frame)}, allEqual(frame, kRawFill)};
  o.raw = frame;
  return finish(o);
}

Outcome callAcquire8() {
  std::vector<signed char> frame(kPixels, kGreyFill);
  return finish({{acquire8(&frame)}, allEqual(frame, kGreyFill)});
}

Outcome callAcquireRgb() {
  std::vector<int> frame(kPixels, kRgbFill);
  return finish({{acquireRgb(&frame)}, allEqual(frame, kRgbFill)});
}

// An odd region inside the image: it is used, and written back, as 8, 8, 16, 16.
const Ints kOddRegion{9, 9, 17, 17};

Outcome callWhiteBalance() {
  Ints region = kOddRegion;
  Outcome o{whiteBalance(&region)};
  o.region = region;
  return finish(o);
}

Outcome callAutoMinMax() {
  Ints region = wholeImage();
  return finish({autoMinMax(0, &region)});
}

// A bring-up without set-up and with one frame taken: no table exists yet.
void freshFrameWithoutTables() {
  releaseCamera();
  ASSERT_EQ(initCamera()[0], 0);
  scriptOneFrame();
  std::vector<short> raw(kPixels);
  ASSERT_EQ(acquire(&raw), 0);
}

// ---- Checks of the state after a case ----------------------------------------------------

const Names kCreations{"CREATE_COLORLUT_EX", "CREATE_BWLUT_EX", "CREATE_PSEUDOLUT_EX"};

Names creationsIn(const std::vector<QvSimCall> &calls) {
  Names out;
  for (const QvSimCall &call : calls)
    if (std::find(kCreations.begin(), kCreations.end(), call.name) != kCreations.end())
      out.emplace_back(call.name);
  return out;
}

// The next ranging (an AutoMinMax over the whole frame) creates exactly these tables:
// a failed creation left its handle 0 and is tried again, nothing else is made twice.
Check nextRangingCreates(Names expected) {
  return [expected](const Outcome &) {
    sim().journalClear();
    Ints region = wholeImage();
    autoMinMax(0, &region);
    EXPECT_EQ(creationsIn(sim().journal()), expected) << "creations at the next ranging";
  };
}

Check noCallOf(Names entries) {
  return [entries](const Outcome &o) {
    for (const std::string &entry : entries) EXPECT_EQ(countOf(o.calls, entry), 0) << entry;
  };
}

Check all(std::vector<Check> checks) {
  return [checks](const Outcome &o) {
    for (const Check &check : checks) check(o);
  };
}

const Check kArrayUntouched = [](const Outcome &o) {
  EXPECT_TRUE(o.arrayUntouched) << "the array was written";
};

const Check kPatternFrame = [](const Outcome &o) { expectPatternFrame(o.raw); };

// Bring-up failed: an acquisition neither queues the buffer nor writes the array.
const Check kNoFrameCanBeTaken = [](const Outcome &) {
  sim().journalClear();
  std::vector<short> raw(kPixels, kRawFill);
  EXPECT_EQ(acquire(&raw), kIncomplete);
  EXPECT_TRUE(allEqual(raw, kRawFill));
  EXPECT_EQ(sim().count("ADD_BUFFER_TO_LIST"), 0);
};

// Without a picture event an acquisition makes one status query and ends at once: the
// status word decides, no wait blocks.
const Check kNoEventEndsAtOnce = [](const Outcome &) {
  Ints s = scriptedSettings(1);
  ASSERT_EQ(setUpCamera(&s), 0);
  std::vector<short> raw(kPixels, kRawFill);
  scriptFrames({{0, 0}});
  sim().journalClear();
  EXPECT_EQ(acquire(&raw), kIncomplete);
  EXPECT_EQ(sim().count("GETBUFFER_STATUS"), 1);
  scriptFrames({{1, 2}});
  EXPECT_EQ(acquire(&raw), 0);
  expectPatternFrame(raw);
};

// ReleaseCamera ran every step whatever failed, unloaded everything and forgot the
// tables: a new bring-up makes all three again at its first ranging.
const Names kReleaseSteps{"DELETE_COLORLUT_EX", "DELETE_BWLUT_EX", "DELETE_PSEUDOLUT_EX",
                          "STOP_CAMERA",        "UNMAP_BUFFER",    "FREE_BUFFER",
                          "CLOSEBOARD"};
const Check kReleasedEverything = [](const Outcome &o) {
  EXPECT_EQ(namesOf(o.calls), kReleaseSteps);
  sim().journalClear();
  EXPECT_EQ(runCocAsVideo(), kNotLoaded);
  EXPECT_EQ(stopCoc(), kNotLoaded);
  std::vector<short> raw(kPixels, kRawFill);
  EXPECT_EQ(acquire(&raw), kIncomplete);
  EXPECT_TRUE(allEqual(raw, kRawFill));
  EXPECT_EQ(sim().journalCount(), 0) << "a call after release reached a vendor library";
  ASSERT_EQ(initCamera()[0], 0);
  nextRangingCreates(kCreations)(o);
};

// SetUpCamera stopped at STOP_CAMERA or SETMODE: the bounds and factors are stored, but
// not the mode, lutParam or colorParam, and no table was touched.
const Check kSetUpStoppedEarly = [](const Outcome &o) {
  noCallOf({"CREATE_COLORLUT_EX", "CONVERT_SET_COL_EX", "CREATE_BWLUT_EX", "CONVERT_SET_EX",
            "START_CAMERA"})(o);
  EXPECT_EQ(storedBounds(), (Ints{100, 3000}));
  EXPECT_EQ(storedFactors(), (Ints{80, 100, 120}));
  sim().journalClear();
  Ints region = wholeImage();
  autoMinMax(0, &region);
  EXPECT_DOUBLE_EQ(sim().last("CONVERT_SET_EX").real[0], 1.0) << "lutParam changed";
  EXPECT_DOUBLE_EQ(sim().last("CONVERT_SET_COL_EX").real[1], 100.0) << "colorParam changed";
};

// SetUpCamera got past SETMODE: every setting is stored.
const Check kSetUpApplied = [](const Outcome &) {
  EXPECT_EQ(storedBounds(), (Ints{100, 3000}));
  EXPECT_EQ(storedFactors(), (Ints{80, 100, 120}));
  sim().journalClear();
  Ints region = wholeImage();
  autoMinMax(0, &region);
  EXPECT_DOUBLE_EQ(sim().last("CONVERT_SET_EX").real[0], 1.5);
  EXPECT_DOUBLE_EQ(sim().last("CONVERT_SET_COL_EX").real[1], 80.0);
};

// The camera record's videoMode is 0 (triggered) or not, as RunCOCAsVIDEO shows.
Check videoModeIs(int videoMode) {
  return [videoMode](const Outcome &) {
    sim().journalClear();
    runCocAsVideo();
    EXPECT_EQ(sim().count("TRIGGER_CAMERA"), videoMode != 0 ? 0 : 1) << "videoMode";
  };
}

// WhiteBalance wrote the rounded width and height back, and stored the factors it gave.
const Check kFactorsStored = [](const Outcome &o) {
  EXPECT_EQ(o.region, (Ints{9, 9, 16, 16}));
  ASSERT_EQ(o.values.size(), 4u);
  EXPECT_EQ(storedFactors(), (Ints{o.values[0], o.values[1], o.values[2]}));
};

const Check kBalanced = [](const Outcome &o) {
  ASSERT_EQ(o.values.size(), 4u);
  EXPECT_EQ(o.values[3], 0);
  kFactorsStored(o);
};

// A failed white balance ranged the colour table with the neutral factors.
const Check kNeutralRanged = [](const Outcome &o) {
  kFactorsStored(o);
  const auto found = std::find_if(o.calls.rbegin(), o.calls.rend(), [](const QvSimCall &c) {
    return std::string(c.name) == "CONVERT_SET_COL_EX";
  });
  ASSERT_NE(found, o.calls.rend());
  EXPECT_EQ((std::vector<long long>(found->arg + 1, found->arg + 7)),
            (std::vector<long long>{50, 50, 50, 4095, 4095, 4095}));
};

// AutoMinMax: the bounds lie in range, are stored, and are what a second, fault-free
// call over the same frame gives: a failing table call changes no bound.
const Check kBoundsStoredAndUnchanged = [](const Outcome &o) {
  ASSERT_EQ(o.values.size(), 2u);
  EXPECT_GE(o.values[0], 0);
  EXPECT_LE(o.values[0], 4094);
  EXPECT_GE(o.values[1], 0);
  EXPECT_LE(o.values[1], 4095);
  EXPECT_EQ(storedBounds(), o.values);
  Ints region = wholeImage();
  EXPECT_EQ(autoMinMax(0, &region), o.values);
};

// ---- The scenarios -------------------------------------------------------------------------

const Names kConversions{"CONV_BUF_12TO8_EX", "CONV_BUF_12TOCOL_EX", "CONV_BUF_12TOPSEUDO_EX"};

const std::vector<Scenario> &scenarios() {
  static const std::vector<Scenario> list = [] {
    std::vector<Scenario> s;
    const auto none = [] {};
    const auto triggered = [] { return callSetUp(distinctSettings(0)); };
    const std::set<std::string> conversions(kConversions.begin(), kConversions.end());
    s.push_back({"InitCamera", 0, false, [] { releaseCamera(); }, callInit});
    s.push_back({"ReleaseCamera", 0, false, none, callRelease, "", {}, true});
    s.push_back({"SetUpFirst", 0, false, [] {
                   releaseCamera();
                   initCamera();
                 },
                 [] { return callSetUp(distinctSettings(1)); }, "", {}, true});
    // From video mode into triggered mode; the two discarded frames come through a
    // handle no wait accepts, so the status words alone decide and nothing waits. The
    // table calls are those of SetUpFirst.
    s.push_back({"SetUpTriggered", 0, true, [] { scriptFrames({{1, 2}, {1, 1}}); }, triggered,
                 "", {"CONVERT_SET_COL_EX", "CONVERT_SET_EX"}, true});
    s.push_back({"RunCocTriggered", 0, true, [] {
                   scriptFrames({{1, 2}, {1, 2}});
                   Ints t = scriptedSettings(0);
                   ASSERT_EQ(setUpCamera(&t), 0);
                 },
                 callRunCoc});
    s.push_back({"RunCocVideo", 0, false, none, callRunCoc});
    s.push_back({"StopCoc", 0, false, none, callStopCoc});
    // Acquisitions in video mode: a frame at the first wait, an event without a complete
    // frame, and a time-out whose status word asks for re-queueing (one real 2 s wait).
    const auto oneFrame = [] { scriptOneFrame(); };
    const auto incomplete = [] { scriptFrames({{1, 1}}); };
    const auto requeue = [] { scriptFrames({{0, 0x2001}, {1, 2}}); };
    const std::string remove = "REMOVE_BUFFER_FROM_LIST";
    using Method = std::pair<const char *, Outcome (*)()>;
    for (const Method &m : {Method{"Acquire", callAcquire}, Method{"Acquire8", callAcquire8},
                            Method{"AcquireRGB", callAcquireRgb}}) {
      const std::string method = m.first;
      const auto call = m.second;
      s.push_back({method + "/Signalled", 0, false, oneFrame, call});
      s.push_back({method + "/Incomplete", 0, false, incomplete, call, remove});
      s.push_back({method + "/Requeued", 0, false, requeue, call, remove,
                   conversions});
    }
    // On a colour camera only the conversion differs.
    s.push_back({"AcquireRGB/Colour", 1, false, oneFrame, callAcquireRgb, "CONV_BUF_12TOCOL_EX"});
    s.push_back({"WhiteBalance", 1, false, none, callWhiteBalance});
    s.push_back({"WhiteBalance/NoTable", 1, false, freshFrameWithoutTables, callWhiteBalance});
    s.push_back({"AutoMinMax", 0, false, none, callAutoMinMax});
    s.push_back({"AutoMinMax/NoTables", 0, false, freshFrameWithoutTables, callAutoMinMax});
    return s;
  }();
  return list;
}

// ---- The expected outcome of every point -----------------------------------------------------

const std::vector<Row> &rows() {
  static const std::vector<Row> table = [] {
    const int W = kWidth, H = kHeight, F = kFault, X = kHidden, WB = kWhiteBalanceFailed;
    std::vector<Row> r{
        // Bring-up: the first failing call ends it with its status, what was filled stays.
        {"InitCamera", nullptr, 0, {0, W, H, 0}, 0, {}},
        {"InitCamera", "INITBOARD", 0, {F, 0, 0, 0}, 0, kNoFrameCanBeTaken},
        {"InitCamera", "GETSIZES", 0, {F, 0, 0, 0}, 0, kNoFrameCanBeTaken},
        {"InitCamera", "GETBOARDVAL", 0, {F, W, H, 0}, 0, kNoFrameCanBeTaken},
        {"InitCamera", "ALLOCATE_BUFFER", 0, {F, W, H, 0}, 0, kNoFrameCanBeTaken},
        {"InitCamera", "MAP_BUFFER", 0, {F, W, H, 0}, 0, kNoFrameCanBeTaken},
        {"InitCamera", "SETBUFFER_EVENT", 0, {0, W, H, 0}, 0, kNoEventEndsAtOnce},
        // Release: every step runs; the result is CLOSEBOARD's.
        {"ReleaseCamera", nullptr, 0, {0}, X, kReleasedEverything},
        {"ReleaseCamera", "DELETE_COLORLUT_EX", 0, {0}, X, kReleasedEverything},
        {"ReleaseCamera", "DELETE_BWLUT_EX", 0, {0}, X, kReleasedEverything},
        {"ReleaseCamera", "DELETE_PSEUDOLUT_EX", 0, {0}, X, kReleasedEverything},
        {"ReleaseCamera", "STOP_CAMERA", 0, {0}, X, kReleasedEverything},
        {"ReleaseCamera", "UNMAP_BUFFER", 0, {0}, X, kReleasedEverything},
        {"ReleaseCamera", "FREE_BUFFER", 0, {0}, X, kReleasedEverything},
        {"ReleaseCamera", "CLOSEBOARD", 0, {F}, X, kReleasedEverything},
        // The first set-up after bring-up, in video mode: it creates the tables.
        {"SetUpFirst", nullptr, 0, {0}, 0, kSetUpApplied},
        // The camera record keeps the video mode of the set-up before the bring-up.
        {"SetUpFirst", "STOP_CAMERA", 0, {F}, F, kSetUpStoppedEarly},
        {"SetUpFirst", "SETMODE", 0, {F}, F, kSetUpStoppedEarly},
        {"SetUpFirst", "CREATE_COLORLUT_EX", 0, {0}, 0,
         all({noCallOf({"CONVERT_SET_COL_EX"}), nextRangingCreates({"CREATE_COLORLUT_EX"})})},
        {"SetUpFirst", "CONVERT_SET_COL_EX", 0, {0}, 0, kSetUpApplied},
        {"SetUpFirst", "CREATE_BWLUT_EX", 0, {0}, 0,
         all({noCallOf({"CREATE_PSEUDOLUT_EX", "CONVERT_SET_EX"}),
              nextRangingCreates({"CREATE_BWLUT_EX", "CREATE_PSEUDOLUT_EX"})})},
        {"SetUpFirst", "CREATE_PSEUDOLUT_EX", 0, {0}, 0,
         all({noCallOf({"CONVERT_SET_EX"}), nextRangingCreates({"CREATE_PSEUDOLUT_EX"})})},
        {"SetUpFirst", "CONVERT_SET_EX", 0, {0}, 0, kSetUpApplied},
        {"SetUpFirst", "CONVERT_SET_EX", 1, {0}, 0, kSetUpApplied},
        {"SetUpFirst", "START_CAMERA", 0, {F}, F, kSetUpApplied},
        // Into triggered mode: a failing start or discarded frame is not acted on; the
        // result is what the second discarded acquisition left in lastStatus.
        {"SetUpTriggered", nullptr, 0, {0}, X, videoModeIs(0)},
        {"SetUpTriggered", "STOP_CAMERA", 0, {F}, F, {}},  // still video mode
        {"SetUpTriggered", "SETMODE", 0, {F}, F, {}},
        {"SetUpTriggered", "START_CAMERA", 0, {0}, X, videoModeIs(0)},
        {"SetUpTriggered", "GETSIZES", 0, {0}, X, videoModeIs(0)},
        {"SetUpTriggered", "GETSIZES", 1, {0}, X, videoModeIs(0)},
        {"SetUpTriggered", "ADD_BUFFER_TO_LIST", 0, {0}, X, videoModeIs(0)},
        {"SetUpTriggered", "ADD_BUFFER_TO_LIST", 1, {F}, X, videoModeIs(0)},
        {"SetUpTriggered", "TRIGGER_CAMERA", 0, {0}, X, videoModeIs(0)},
        {"SetUpTriggered", "TRIGGER_CAMERA", 1, {0}, X, videoModeIs(0)},
        {"SetUpTriggered", "TRIGGER_CAMERA", 2, {0}, X, videoModeIs(0)},
        {"SetUpTriggered", "TRIGGER_CAMERA", 3, {0}, X, videoModeIs(0)},
        {"SetUpTriggered", "GETBUFFER_STATUS", 0, {0}, X, videoModeIs(0)},
        {"SetUpTriggered", "GETBUFFER_STATUS", 1, {F}, X, videoModeIs(0)},
        {"SetUpTriggered", "REMOVE_BUFFER_FROM_LIST", 0, {0}, X, videoModeIs(0)},
        // Triggering and stopping.
        {"RunCocTriggered", nullptr, 0, {0}, X, {}},
        {"RunCocTriggered", "TRIGGER_CAMERA", 0, {F}, X, {}},
        {"RunCocVideo", nullptr, 0, {0}, 0, noCallOf({"TRIGGER_CAMERA"})},
        {"StopCoc", nullptr, 0, {0}, 0, {}},
        {"StopCoc", "STOP_CAMERA", 0, {F}, 0, {}},  // lastStatus left alone
        // The colour table on a colour camera.
        {"AcquireRGB/Colour", nullptr, 0, {0}, 0, {}},
        {"AcquireRGB/Colour", "CONV_BUF_12TOCOL_EX", 0, {0}, F, {}},
        // White balance over an odd region of the last frame.
        {"WhiteBalance", nullptr, 0, {}, X, kBalanced},
        {"WhiteBalance", "AUTOBALANCE", 0, {100, 100, 100, WB}, X, kNeutralRanged},
        {"WhiteBalance", "CONVERT_SET_COL_EX", 0, {}, X, kBalanced},
        // Without a colour table AUTOBALANCE fails on the null table; the table is made
        // afterwards, and a failed creation is tried again at the next ranging.
        {"WhiteBalance/NoTable", nullptr, 0, {100, 100, 100, WB}, X, kNeutralRanged},
        {"WhiteBalance/NoTable", "AUTOBALANCE", 0, {100, 100, 100, WB}, X, kNeutralRanged},
        {"WhiteBalance/NoTable", "CREATE_COLORLUT_EX", 0, {100, 100, 100, WB}, X,
         all({noCallOf({"CONVERT_SET_COL_EX"}), kFactorsStored,
              nextRangingCreates({"CREATE_COLORLUT_EX", "CREATE_BWLUT_EX", "CREATE_PSEUDOLUT_EX"})})},
        {"WhiteBalance/NoTable", "CONVERT_SET_COL_EX", 0, {100, 100, 100, WB}, X, kFactorsStored},
        // Automatic range: no table call changes a bound.
        {"AutoMinMax", nullptr, 0, {}, 0, kBoundsStoredAndUnchanged},
        {"AutoMinMax", "CONVERT_SET_COL_EX", 0, {}, 0, kBoundsStoredAndUnchanged},
        {"AutoMinMax", "CONVERT_SET_EX", 0, {}, 0, kBoundsStoredAndUnchanged},
        {"AutoMinMax", "CONVERT_SET_EX", 1, {}, 0, kBoundsStoredAndUnchanged},
        {"AutoMinMax/NoTables", nullptr, 0, {}, 0, kBoundsStoredAndUnchanged},
        {"AutoMinMax/NoTables", "CREATE_COLORLUT_EX", 0, {}, 0,
         all({noCallOf({"CONVERT_SET_COL_EX"}), nextRangingCreates({"CREATE_COLORLUT_EX"})})},
        {"AutoMinMax/NoTables", "CONVERT_SET_COL_EX", 0, {}, 0, kBoundsStoredAndUnchanged},
        {"AutoMinMax/NoTables", "CREATE_BWLUT_EX", 0, {}, 0,
         all({noCallOf({"CREATE_PSEUDOLUT_EX", "CONVERT_SET_EX"}),
              nextRangingCreates({"CREATE_BWLUT_EX", "CREATE_PSEUDOLUT_EX"})})},
        {"AutoMinMax/NoTables", "CREATE_PSEUDOLUT_EX", 0, {}, 0,
         all({noCallOf({"CONVERT_SET_EX"}), nextRangingCreates({"CREATE_PSEUDOLUT_EX"})})},
        {"AutoMinMax/NoTables", "CONVERT_SET_EX", 0, {}, 0, kBoundsStoredAndUnchanged},
        {"AutoMinMax/NoTables", "CONVERT_SET_EX", 1, {}, 0, kBoundsStoredAndUnchanged},
    };
    // The three acquisitions share one table: a failing queueing or status query ends
    // the acquisition with -54 and its status in lastStatus, nothing written; the
    // triggers and a failing GETSIZES (the last size stays) are not acted on; the final
    // REMOVE_BUFFER_FROM_LIST of an incomplete frame is not recorded; a failing
    // conversion still returns 0, with its status in lastStatus.
    const Check untouchedNoTrigger = all({kArrayUntouched, noCallOf({"TRIGGER_CAMERA"}),
                                          noCallOf(kConversions)});
    const Check untouchedNoConversion = all({kArrayUntouched, noCallOf(kConversions)});
    using Method = std::pair<const char *, const char *>;
    for (const Method &entry : {Method{"Acquire", ""}, Method{"Acquire8", "CONV_BUF_12TO8_EX"},
                                Method{"AcquireRGB", "CONV_BUF_12TOPSEUDO_EX"}}) {
      const std::string m = entry.first;
      const char *conversion = entry.second;
      const Check success = m == "Acquire" ? kPatternFrame : Check{};
      const std::string signalled = m + "/Signalled";
      const std::string incomplete = m + "/Incomplete";
      const std::string requeued = m + "/Requeued";
      std::vector<Row> rowsOfMethod{
          {signalled, nullptr, 0, {0}, 0, success},
          {signalled, "GETSIZES", 0, {0}, 0, success},
          {signalled, "ADD_BUFFER_TO_LIST", 0, {-54}, F, untouchedNoTrigger},
          {signalled, "TRIGGER_CAMERA", 0, {0}, 0, success},
          {signalled, "TRIGGER_CAMERA", 1, {0}, 0, success},
          {signalled, "GETBUFFER_STATUS", 0, {-54}, F,
           all({untouchedNoConversion, noCallOf({"REMOVE_BUFFER_FROM_LIST"})})},
          {incomplete, nullptr, 0, {-54}, 0, untouchedNoConversion},
          {incomplete, "REMOVE_BUFFER_FROM_LIST", 0, {-54}, 0, untouchedNoConversion},
          {requeued, nullptr, 0, {0}, 0, success},
          {requeued, "REMOVE_BUFFER_FROM_LIST", 0, {-54}, F, untouchedNoConversion},
          {requeued, "ADD_BUFFER_TO_LIST", 1, {-54}, F, untouchedNoConversion},
          {requeued, "GETBUFFER_STATUS", 1, {-54}, F, untouchedNoConversion},
      };
      if (*conversion != '\0') rowsOfMethod.push_back({signalled, conversion, 0, {0}, F, {}});
      r.insert(r.end(), rowsOfMethod.begin(), rowsOfMethod.end());
    }
    return r;
  }();
  return table;
}

// ---- Running a scenario ------------------------------------------------------------------------

struct Point {
  std::string entry;
  int nth;
  bool operator<(const Point &o) const { return std::tie(entry, nth) < std::tie(o.entry, o.nth); }
};

std::vector<Point> pointsOf(const Scenario &scenario, const std::vector<QvSimCall> &calls) {
  std::vector<Point> points;
  std::map<std::string, int> seen;
  bool covering = scenario.from.empty();
  for (const QvSimCall &call : calls) {
    const std::string entry = call.name;
    const int nth = seen[entry]++;
    covering = covering || entry == scenario.from;
    if (covering && scenario.skip.count(entry) == 0) points.push_back({entry, nth});
  }
  return points;
}

bool isCreation(const std::string &entry) { return entry.rfind("CREATE_", 0) == 0; }

// The nth call of entry in calls failed as injected.
void expectInjected(const std::vector<QvSimCall> &calls, const Point &point) {
  int nth = 0;
  for (const QvSimCall &call : calls) {
    if (point.entry != call.name) continue;
    if (nth++ != point.nth) continue;
    EXPECT_EQ(call.result, isCreation(point.entry) ? 0 : kFault) << "the fault did not fire";
    return;
  }
  ADD_FAILURE() << "the faulted call was not made";
}

void expectRow(const Row &row, const Outcome &o) {
  if (!row.values.empty()) {
    EXPECT_EQ(o.values, row.values) << "returned";
  }
  if (row.lastStatus != kHidden) {
    EXPECT_EQ(lastStatus(), row.lastStatus) << "lastStatus";
  }
  if (row.check) row.check(o);
}

// Scenarios run in groups, one process (and JVM) per group; each group shares one
// simulator configuration where it can.
std::string groupOf(const std::string &scenario) {
  static const std::map<std::string, std::string> joined{{"RunCocTriggered", "SetUpTriggered"},
                                                         {"RunCocVideo", "StopCoc"}};
  const auto found = joined.find(scenario);
  return found != joined.end() ? found->second : scenario.substr(0, scenario.find('/'));
}

std::vector<std::string> groups() {
  std::vector<std::string> out;
  for (const Scenario &scenario : scenarios())
    if (std::find(out.begin(), out.end(), groupOf(scenario.name)) == out.end())
      out.push_back(groupOf(scenario.name));
  return out;
}

// Runs every point of one scenario from the recovered state; returns the cases run.
int runScenario(const Scenario &scenario) {
  std::map<Point, const Row *> expected;
  const Row *faultFree = nullptr;
  for (const Row &row : rows()) {
    if (row.scenario != scenario.name) continue;
    if (row.entry == nullptr) faultFree = &row;
    else expected[{row.entry, row.nth}] = &row;
  }
  EXPECT_NE(faultFree, nullptr) << scenario.name << ": no fault-free row";
  if (faultFree == nullptr) return 0;

  // The fault-free run lists the points.
  std::vector<Point> points;
  {
    SCOPED_TRACE(scenario.name + ": fault-free run");
    scenario.prepare();
    sim().journalClear();
    const Outcome clean = scenario.call();
    points = pointsOf(scenario, clean.calls);
    expectRow(*faultFree, clean);
    if (scenario.recoverAfterCleanRun) expectRecovers(scenario.color);
  }
  std::set<Point> reached(points.begin(), points.end());
  for (const auto &[point, row] : expected)
    EXPECT_TRUE(reached.count(point))
        << scenario.name << ": row without a point: " << point.entry << " #" << point.nth;

  int cases = 0;
  for (const Point &point : points) {
    SCOPED_TRACE(scenario.name + ": " + point.entry + " #" + std::to_string(point.nth) +
                 " fails");
    const auto found = expected.find(point);
    if (found == expected.end()) {
      ADD_FAILURE() << "no expected outcome for this point";
      continue;
    }
    scenario.prepare();
    sim().journalClear();
    sim().fail(point.entry.c_str(), kFault, point.nth, 1);
    const Outcome o = scenario.call();
    sim().clearFaults();
    expectInjected(o.calls, point);
    expectRow(*found->second, o);
    expectRecovers(scenario.color);
    ++cases;
  }
  std::printf("fault matrix: %s: %d cases\n", scenario.name.c_str(), cases);
  return cases;
}

class FaultMatrix : public testing::TestWithParam<std::string> {};

TEST_P(FaultMatrix, EveryCallFailsAtEveryPoint) {
  int color = -1;
  bool invalidEvent = false;
  int cases = 0;
  for (const Scenario &scenario : scenarios()) {
    if (groupOf(scenario.name) != GetParam()) continue;
    if (scenario.color != color || scenario.invalidEvent != invalidEvent) {
      color = scenario.color;
      invalidEvent = scenario.invalidEvent;
      configure(color, invalidEvent);
      expectRecovers(color);
    }
    cases += runScenario(scenario);
  }
  std::printf("fault matrix: group %s: %d cases\n", GetParam().c_str(), cases);
}

INSTANTIATE_TEST_SUITE_P(Groups, FaultMatrix, testing::ValuesIn(groups()),
                         [](const testing::TestParamInfo<std::string> &param) { return param.param; });

}  // namespace
}  // namespace reliability
