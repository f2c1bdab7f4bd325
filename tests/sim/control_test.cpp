// The qvsim control library: settings, faults, scripts, journal and frame numbers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "sim/control.h"
#include "sim/control_internal.h"

namespace {

class Control : public ::testing::Test {
 protected:
  void SetUp() override { qvsim_reset(); }
  void TearDown() override { qvsim_reset(); }

  // Makes one journalled call, as a simulated entry point would; returns the status a
  // fault injected, or -1 when none was armed.
  static int call(const char *name, long long arg = 0) {
    int status = 0;
    const int failed = qvsim_enter(name, 1, &arg, 0, nullptr, &status);
    qvsim_leave(failed ? status : 0);
    return failed ? status : -1;
  }
};

struct EnvCase {
  const char *variable;
  const char *text;  // null: unset
  const char *key;
  int expected;
};

TEST_F(Control, SettingsComeFromTheEnvironmentOrDefaults) {
  const EnvCase cases[] = {
      {"QVSIM_WIDTH", nullptr, "width", 1392},
      {"QVSIM_HEIGHT", nullptr, "height", 1040},
      {"QVSIM_COLOR", nullptr, "color", 0},
      {"QVSIM_PATTERN", nullptr, "pattern", 0},
      {"QVSIM_EXPOSURE_MS", nullptr, "exposure_ms", 20},
      {"QVSIM_FAST", nullptr, "fast", 0},
      {"QVSIM_INVALID_EVENT", nullptr, "invalid_event", 0},
      {"QVSIM_OVERSIZE", nullptr, "oversize", 0},
      {"QVSIM_SEED", nullptr, "seed", 1},
      {"QVSIM_WIDTH", "640", "width", 640},
      {"QVSIM_HEIGHT", " 480 ", "height", 480},
      {"QVSIM_OVERSIZE", "-3", "oversize", -3},
      {"QVSIM_COLOR", "1", "color", 1},
      {"QVSIM_WIDTH", "12abc", "width", 1392},
      {"QVSIM_HEIGHT", "", "height", 1040},
      {"QVSIM_SEED", "x", "seed", 1},
      {"QVSIM_EXPOSURE_MS", "99999999999", "exposure_ms", 20},
      {"QVSIM_FAST", "0x10", "fast", 0},
  };
  for (const EnvCase &c : cases) {
    SCOPED_TRACE(std::string(c.variable) + "=" + (c.text ? c.text : "(unset)"));
    if (c.text)
      setenv(c.variable, c.text, 1);
    else
      unsetenv(c.variable);
    qvsim_reset();
    EXPECT_EQ(qvsim_get_int(c.key), c.expected);
    unsetenv(c.variable);
  }
}

TEST_F(Control, SetOverridesUntilResetAndUnknownKeysReadZero) {
  setenv("QVSIM_WIDTH", "800", 1);
  qvsim_reset();
  qvsim_set_int("width", 64);
  qvsim_set_int("bogus", 5);
  qvsim_set_int(nullptr, 5);
  EXPECT_EQ(qvsim_get_int("width"), 64);
  EXPECT_EQ(qvsim_get_int("bogus"), 0);
  EXPECT_EQ(qvsim_get_int(nullptr), 0);
  EXPECT_EQ(qvsim_get_int("WIDTH"), 0);
  qvsim_reset();
  EXPECT_EQ(qvsim_get_int("width"), 800);
  unsetenv("QVSIM_WIDTH");
}

struct FaultCase {
  int skip;
  int times;
  const char *expected;  // per call: F fails, . succeeds
};

TEST_F(Control, FaultsSkipThenFailTheGivenNumberOfTimes) {
  const FaultCase cases[] = {
      {0, 1, "F...."},  {2, 2, "..FF.."}, {0, -1, "FFFFFF"},
      {3, -1, "...FFF"}, {0, 0, "...."},   {-2, 1, "F.."},
  };
  for (const FaultCase &c : cases) {
    SCOPED_TRACE(::testing::Message() << "skip " << c.skip << " times " << c.times);
    qvsim_clear_faults();
    qvsim_fail("GETBOARDVAL", 42, c.skip, c.times);
    std::string seen;
    for (std::size_t i = 0; c.expected[i] != '\0'; ++i) {
      const int status = call("GETBOARDVAL");
      EXPECT_EQ(call("GETSIZES"), -1) << "other entry points are unaffected";
      seen += status == 42 ? 'F' : (status == -1 ? '.' : '?');
    }
    EXPECT_EQ(seen, c.expected);
  }
}

TEST_F(Control, LaterFaultReplacesEarlierAndClearRemovesAll) {
  qvsim_fail("SETMODE", 1, 0, -1);
  qvsim_fail("SETMODE", 2, 1, 1);
  EXPECT_EQ(call("SETMODE"), -1);
  EXPECT_EQ(call("SETMODE"), 2);
  EXPECT_EQ(call("SETMODE"), -1);

  qvsim_fail("SETMODE", 3, 0, -1);
  qvsim_fail("START_CAMERA", 4, 0, -1);
  qvsim_clear_faults();
  EXPECT_EQ(call("SETMODE"), -1);
  EXPECT_EQ(call("START_CAMERA"), -1);

  qvsim_fail("SETMODE", 3, 0, -1);
  qvsim_reset();
  EXPECT_EQ(call("SETMODE"), -1);
}

TEST_F(Control, ScriptIsConsumedInOrderAndEndsOrRepeatsItsLastStep) {
  const QvSimStep steps[] = {{1, 0x10u}, {0, 0x20u}, {1, 0x30u}};
  for (const int repeatLast : {0, 1}) {
    SCOPED_TRACE(repeatLast);
    qvsim_script(steps, 3, repeatLast);
    std::vector<unsigned> words;
    QvSimStep step{};
    for (int i = 0; i < 6; ++i) {
      QvSimStep peeked{};
      const int index = qvsim_script_index();
      const int hasPeek = qvsim_script_peek(&peeked);
      ASSERT_EQ(hasPeek, qvsim_script_active());
      if (!qvsim_script_next(&step)) {
        EXPECT_EQ(index, -1);
        break;
      }
      EXPECT_EQ(peeked.statusWord, step.statusWord) << "peek shows what next consumes";
      EXPECT_EQ(peeked.signal, step.signal);
      EXPECT_EQ(index, i < 3 ? i : 2);
      words.push_back(step.statusWord);
    }
    const std::vector<unsigned> expected =
        repeatLast ? std::vector<unsigned>{0x10, 0x20, 0x30, 0x30, 0x30, 0x30}
                   : std::vector<unsigned>{0x10, 0x20, 0x30};
    EXPECT_EQ(words, expected);
    EXPECT_EQ(qvsim_script_active(), repeatLast);
  }
}

TEST_F(Control, EmptyScriptOrResetLeavesNoScript) {
  const QvSimStep steps[] = {{1, 1u}};
  qvsim_script(steps, 1, 1);
  ASSERT_EQ(qvsim_script_active(), 1);
  qvsim_script(steps, 0, 1);
  EXPECT_EQ(qvsim_script_active(), 0);
  qvsim_script(nullptr, 3, 0);
  EXPECT_EQ(qvsim_script_active(), 0);
  qvsim_script(steps, 1, 1);
  qvsim_reset();
  QvSimStep out{7, 7u};
  EXPECT_EQ(qvsim_script_next(&out), 0);
  EXPECT_EQ(qvsim_script_peek(&out), 0);
  EXPECT_EQ(out.statusWord, 7u) << "nothing written without a script";
}

TEST_F(Control, JournalRecordsArgumentsRealsAndResult) {
  const long long args[14] = {1, -2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  const double reals[3] = {0.5, 2.25, 9.0};
  int status = 0;
  qvsim_enter("CONVERT_SET_COL_EX", 8, args, 2, reals, &status);
  qvsim_leave(17);
  qvsim_enter("A_NAME_LONGER_THAN_THIRTY_ONE_CHARACTERS", 14, args, 3, reals, &status);
  qvsim_leave(-1);
  qvsim_enter("NOARGS", 3, nullptr, 1, nullptr, &status);

  ASSERT_EQ(qvsim_journal_count(), 3);
  QvSimCall entry{};
  ASSERT_EQ(qvsim_journal_get(0, &entry), 1);
  EXPECT_STREQ(entry.name, "CONVERT_SET_COL_EX");
  ASSERT_EQ(entry.argCount, 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(entry.arg[i], args[i]);
  ASSERT_EQ(entry.realCount, 2);
  EXPECT_EQ(entry.real[0], 0.5);
  EXPECT_EQ(entry.real[1], 2.25);
  EXPECT_EQ(entry.result, 17);

  ASSERT_EQ(qvsim_journal_get(1, &entry), 1);
  EXPECT_EQ(std::string(entry.name), std::string("A_NAME_LONGER_THAN_THIRTY_ONE_CHARACTERS", 31));
  EXPECT_EQ(entry.argCount, 12);
  EXPECT_EQ(entry.arg[11], 12);
  EXPECT_EQ(entry.realCount, 2);
  EXPECT_EQ(entry.result, -1);

  ASSERT_EQ(qvsim_journal_get(2, &entry), 1);
  EXPECT_EQ(entry.argCount, 0);
  EXPECT_EQ(entry.realCount, 0);

  EXPECT_EQ(qvsim_journal_get(3, &entry), 0);
  EXPECT_EQ(qvsim_journal_get(-1, &entry), 0);
  EXPECT_EQ(qvsim_journal_get(0, nullptr), 0);
  qvsim_journal_clear();
  EXPECT_EQ(qvsim_journal_count(), 0);
  EXPECT_EQ(qvsim_journal_get(0, &entry), 0);
}

TEST_F(Control, JournalKeepsTheNewestEntriesOldestFirst) {
  const int extra = 10;
  for (long long i = 0; i < kQvSimJournalCapacity + extra; ++i) {
    int status = 0;
    qvsim_enter("GETBUFFER_STATUS", 1, &i, 0, nullptr, &status);
    qvsim_leave(static_cast<int>(i));
  }
  ASSERT_EQ(qvsim_journal_count(), kQvSimJournalCapacity);
  QvSimCall entry{};
  ASSERT_EQ(qvsim_journal_get(0, &entry), 1);
  EXPECT_EQ(entry.arg[0], extra);
  EXPECT_EQ(entry.result, extra);
  ASSERT_EQ(qvsim_journal_get(kQvSimJournalCapacity - 1, &entry), 1);
  EXPECT_EQ(entry.arg[0], kQvSimJournalCapacity + extra - 1);
  EXPECT_EQ(entry.result, kQvSimJournalCapacity + extra - 1);
  EXPECT_EQ(qvsim_journal_get(kQvSimJournalCapacity, &entry), 0);
}

TEST_F(Control, LeaveStoresIntoTheCallingThreadsEntry) {
  int status = 0;
  const long long worker = 1;
  const long long caller = 2;
  std::thread([&] { qvsim_enter("WORKER", 1, &worker, 0, nullptr, &status); }).join();
  qvsim_enter("CALLER", 1, &caller, 0, nullptr, &status);
  std::thread([] { qvsim_leave(99); }).join();  // this thread appended nothing
  qvsim_leave(5);

  QvSimCall entry{};
  ASSERT_EQ(qvsim_journal_get(0, &entry), 1);
  EXPECT_EQ(entry.result, 0);
  ASSERT_EQ(qvsim_journal_get(1, &entry), 1);
  EXPECT_EQ(entry.result, 5);

  // A leave whose entry was cleared away touches no newer entry.
  qvsim_enter("CLEARED", 1, &caller, 0, nullptr, &status);
  qvsim_journal_clear();
  std::thread([&] {
    qvsim_enter("OTHER", 1, &worker, 0, nullptr, &status);
    qvsim_leave(8);
  }).join();
  qvsim_leave(6);
  ASSERT_EQ(qvsim_journal_get(0, &entry), 1);
  EXPECT_STREQ(entry.name, "OTHER");
  EXPECT_EQ(entry.result, 8);
}

TEST_F(Control, FaultedCallsAreJournalledToo) {
  qvsim_fail("TRIGGER_CAMERA", 9, 0, 1);
  EXPECT_EQ(call("TRIGGER_CAMERA", 123), 9);
  QvSimCall entry{};
  ASSERT_EQ(qvsim_journal_get(0, &entry), 1);
  EXPECT_STREQ(entry.name, "TRIGGER_CAMERA");
  EXPECT_EQ(entry.arg[0], 123);
  EXPECT_EQ(entry.result, 9);
}

TEST_F(Control, FrameNumbersStartNearTheWrapAndWrap) {
  unsigned previous = qvsim_next_frame_number();
  EXPECT_EQ(previous, kQvSimFirstFrameNumber);
  for (int i = 0; i < 40; ++i) {
    const unsigned next = qvsim_next_frame_number();
    EXPECT_EQ(next, previous + 1u);
    previous = next;
  }
  EXPECT_LT(previous, kQvSimFirstFrameNumber) << "the counter wrapped";
  qvsim_reset();
  EXPECT_EQ(qvsim_next_frame_number(), kQvSimFirstFrameNumber);
}

TEST_F(Control, PatternNeighboursDifferAndAFullFrameCoversAllValues) {
  const int width = 1392;
  const int height = 1040;
  const int frames[] = {0, 1, -1, static_cast<int>(kQvSimFirstFrameNumber)};
  for (const int frame : frames) {
    SCOPED_TRACE(frame);
    std::vector<bool> seen(4096, false);
    std::size_t distinct = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const int v = qvsim_pattern_value(x, y, width, frame);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 4095);
        if (!seen[static_cast<std::size_t>(v)]) {
          seen[static_cast<std::size_t>(v)] = true;
          ++distinct;
        }
      }
    }
    EXPECT_EQ(distinct, 4096u);
    const int v = qvsim_pattern_value(10, 20, width, frame);
    EXPECT_NE(v, qvsim_pattern_value(11, 20, width, frame));
    EXPECT_NE(v, qvsim_pattern_value(10, 21, width, frame));
    EXPECT_NE(v, qvsim_pattern_value(10, 20, width, frame + 1));
    EXPECT_EQ(v, qvsim_pattern_value(10, 20, width, frame)) << "deterministic";
  }
}

}  // namespace
