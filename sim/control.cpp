// The qvsim control library: settings, injected faults, the acquisition script, the
// call journal and the frame counter, all behind one mutex because the simulated
// driver calls in from its worker thread as well as from the caller's thread.
#include "sim/control.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/control_internal.h"

namespace {

struct Setting {
  const char *key;
  const char *env;
  int fallback;
};

constexpr Setting kSettings[] = {
    {"width", "QVSIM_WIDTH", 1392},
    {"height", "QVSIM_HEIGHT", 1040},
    {"color", "QVSIM_COLOR", 0},
    {"pattern", "QVSIM_PATTERN", 0},
    {"exposure_ms", "QVSIM_EXPOSURE_MS", 20},
    {"fast", "QVSIM_FAST", 0},
    {"invalid_event", "QVSIM_INVALID_EVENT", 0},
    {"oversize", "QVSIM_OVERSIZE", 0},
    {"seed", "QVSIM_SEED", 1},
};
constexpr int kSettingCount = static_cast<int>(sizeof kSettings / sizeof kSettings[0]);

int settingIndex(const char *key) {
  if (key == nullptr) return -1;
  for (int i = 0; i < kSettingCount; ++i) {
    if (std::strcmp(kSettings[i].key, key) == 0) return i;
  }
  return -1;
}

// A decimal integer with optional surrounding blanks; anything else, or a value out of
// int's range, gives the fallback.
int parseEnv(const char *env, int fallback) {
  const char *text = std::getenv(env);
  if (text == nullptr) return fallback;
  errno = 0;
  char *end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || errno == ERANGE) return fallback;
  while (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r') ++end;
  if (*end != '\0') return fallback;
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
    return fallback;
  return static_cast<int>(value);
}

struct Fault {
  int status;
  int skip;
  int times;  // < 0: forever
};

struct State {
  std::mutex mutex;

  bool settingsLoaded = false;
  int settings[kSettingCount] = {};

  std::unordered_map<std::string, Fault> faults;

  std::vector<QvSimStep> script;
  std::size_t scriptPos = 0;
  // Counts script changes and consumed steps, so the driver can tell an armed step
  // from a new one at the same index.
  unsigned scriptSerial = 0;
  bool scriptRepeatLast = false;
  bool scriptActive = false;

  // The newest entries, oldest first. Sequence numbers count every entry ever appended
  // and survive a clear, so a thread's remembered sequence never points at a newer entry.
  std::deque<QvSimCall> journal;
  std::uint64_t journalNext = 0;  // sequence number of the next entry

  unsigned frameNumber = kQvSimFirstFrameNumber;

  void loadSettings() {
    for (int i = 0; i < kSettingCount; ++i)
      settings[i] = parseEnv(kSettings[i].env, kSettings[i].fallback);
    settingsLoaded = true;
  }
  void ensureSettings() {
    if (!settingsLoaded) loadSettings();
  }
  std::uint64_t journalOldest() const { return journalNext - journal.size(); }
};

State &state() {
  static State instance;
  return instance;
}

// Sequence number of the entry this thread appended last, for qvsim_leave.
thread_local std::uint64_t tLastEntry = std::numeric_limits<std::uint64_t>::max();

}  // namespace

extern "C" {

void qvsim_set_int(const char *key, int value) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  s.ensureSettings();
  const int index = settingIndex(key);
  if (index >= 0) s.settings[index] = value;
}

int qvsim_get_int(const char *key) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  s.ensureSettings();
  const int index = settingIndex(key);
  return index >= 0 ? s.settings[index] : 0;
}

int qvsim_pattern_value(int x, int y, int width, int frame) {
  (void)width;
  const unsigned value = 7u * static_cast<unsigned>(x) + 13u * static_cast<unsigned>(y) +
                         5u * static_cast<unsigned>(frame);
  return static_cast<int>(value & 0xFFFu);
}

void qvsim_reset(void) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  s.loadSettings();
  s.faults.clear();
  s.script.clear();
  s.scriptPos = 0;
  s.scriptRepeatLast = false;
  s.scriptActive = false;
  s.journal.clear();
  s.frameNumber = kQvSimFirstFrameNumber;
}

void qvsim_fail(const char *name, int status, int skip, int times) {
  if (name == nullptr) return;
  State &s = state();
  std::lock_guard lock(s.mutex);
  try {
    s.faults[name] = Fault{status, skip < 0 ? 0 : skip, times};
  } catch (const std::bad_alloc &) {
    // Out of memory: the fault stays unarmed; nothing may throw out of a C call.
  }
}

void qvsim_clear_faults(void) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  s.faults.clear();
}

void qvsim_script(const QvSimStep *steps, int count, int repeatLast) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  s.script.clear();
  try {
    if (steps != nullptr && count > 0) s.script.assign(steps, steps + count);
  } catch (const std::bad_alloc &) {
    s.script.clear();  // out of memory: no script
  }
  s.scriptPos = 0;
  ++s.scriptSerial;
  s.scriptRepeatLast = repeatLast != 0;
  s.scriptActive = !s.script.empty();
}

int qvsim_script_active(void) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  return s.scriptActive ? 1 : 0;
}

int qvsim_script_next(QvSimStep *out) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  if (!s.scriptActive) return 0;
  if (out != nullptr) *out = s.script[s.scriptPos];
  ++s.scriptSerial;
  if (s.scriptPos + 1 < s.script.size()) {
    ++s.scriptPos;
  } else if (!s.scriptRepeatLast) {
    s.scriptActive = false;
  }
  return 1;
}

int qvsim_script_peek(QvSimStep *out) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  if (!s.scriptActive) return 0;
  if (out != nullptr) *out = s.script[s.scriptPos];
  return 1;
}

int qvsim_script_index(void) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  return s.scriptActive ? static_cast<int>(s.scriptPos) : -1;
}

unsigned qvsim_script_serial(void) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  return s.scriptSerial;
}

unsigned qvsim_next_frame_number(void) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  return s.frameNumber++;
}

int qvsim_journal_count(void) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  return static_cast<int>(s.journal.size());
}

int qvsim_journal_get(int index, QvSimCall *out) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  if (index < 0 || out == nullptr) return 0;
  if (static_cast<std::size_t>(index) >= s.journal.size()) return 0;
  *out = s.journal[static_cast<std::size_t>(index)];
  return 1;
}

void qvsim_journal_clear(void) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  s.journal.clear();
}

int qvsim_enter(const char *name, int argCount, const long long *args, int realCount,
                const double *reals, int *status) {
  State &s = state();
  std::lock_guard lock(s.mutex);

  QvSimCall call{};
  if (name != nullptr) std::strncpy(call.name, name, sizeof call.name - 1);
  constexpr int kMaxArgs = static_cast<int>(sizeof call.arg / sizeof call.arg[0]);
  constexpr int kMaxReals = static_cast<int>(sizeof call.real / sizeof call.real[0]);
  // Counts beyond what an entry holds are cut; a null array records nothing.
  call.argCount = args == nullptr ? 0 : std::clamp(argCount, 0, kMaxArgs);
  call.realCount = reals == nullptr ? 0 : std::clamp(realCount, 0, kMaxReals);
  for (int i = 0; i < call.argCount; ++i) call.arg[i] = args[i];
  for (int i = 0; i < call.realCount; ++i) call.real[i] = reals[i];

  try {
    s.journal.push_back(call);
    if (s.journal.size() > static_cast<std::size_t>(kQvSimJournalCapacity)) s.journal.pop_front();
    tLastEntry = s.journalNext++;
  } catch (const std::bad_alloc &) {
    tLastEntry = std::numeric_limits<std::uint64_t>::max();  // out of memory: not journalled
  }

  if (name == nullptr || s.faults.empty()) return 0;
  decltype(s.faults)::iterator found;
  try {
    found = s.faults.find(name);
  } catch (const std::bad_alloc &) {
    return 0;
  }
  if (found == s.faults.end()) return 0;
  Fault &fault = found->second;
  if (fault.skip > 0) {
    --fault.skip;
    return 0;
  }
  if (fault.times == 0) return 0;
  if (fault.times > 0) --fault.times;
  if (status != nullptr) *status = fault.status;
  return 1;
}

void qvsim_leave(int result) {
  State &s = state();
  std::lock_guard lock(s.mutex);
  const std::uint64_t sequence = tLastEntry;
  if (sequence < s.journalOldest() || sequence >= s.journalNext) return;
  s.journal[static_cast<std::size_t>(sequence - s.journalOldest())].result = result;
}

}  // extern "C"
