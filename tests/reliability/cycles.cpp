// Bring-up, set-up, acquisition and release, over and over, of the library core against
// the real simulator, without a JVM: the core is linked into this program, which lives
// beside copies of the simulated vendor libraries and so loads them from its own folder,
// as the library does. Meant to run under valgrind memcheck or LeakSanitizer, which
// report any leak or invalid access; the program itself checks, through the simulator's
// journal, that every table created is deleted by ReleaseCamera and every buffer
// allocated is freed, also in cycles where a table creation or a vendor call fails. At
// the end a repeated InitCamera without release shows what is kept on purpose.
//
// Usage: qv_reliability_cycles [CYCLES]   (default 100). Exit code 0 when all held.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "camera/state.h"
#include "platform/module.h"
#include "sim/control.h"
#include "tables/tables.h"

// SetUpCamera's 1200 ms pause, replaced at link time (--wrap) by one that only counts,
// so that a hundred set-ups take no two minutes. The real event wait stays.
static int pauses = 0;
extern "C" void __wrap__ZN2qv8platform7sleepMsEi(int) { ++pauses; }

namespace {

int failures = 0;

#define CHECK(condition, ...)                                       \
  do {                                                              \
    if (!(condition)) {                                             \
      ++failures;                                                   \
      std::fprintf(stderr, "cycles: %s:%d: %s: ", __FILE__, __LINE__, #condition); \
      std::fprintf(stderr, __VA_ARGS__);                            \
      std::fprintf(stderr, "\n");                                   \
    }                                                               \
  } while (0)

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr std::size_t kPixels = static_cast<std::size_t>(kWidth) * kHeight;
constexpr int kFault = 7;

struct Sim {
  void (*setInt)(const char *, int);
  void (*fail)(const char *, int, int, int);
  void (*clearFaults)();
  void (*script)(const QvSimStep *, int, int);
  int (*journalCount)();
  int (*journalGet)(int, QvSimCall *);
  void (*journalClear)();
  void *module;
};

bool bind(Sim &sim, const std::string &directory) {
  sim.module = dlopen((directory + "libqvsim.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  if (sim.module == nullptr) return false;
  const auto get = [&](auto &slot, const char *name) {
    void *address = dlsym(sim.module, name);
    std::memcpy(&slot, &address, sizeof address);
    return address != nullptr;
  };
  return get(sim.setInt, "qvsim_set_int") && get(sim.fail, "qvsim_fail") &&
         get(sim.clearFaults, "qvsim_clear_faults") && get(sim.script, "qvsim_script") &&
         get(sim.journalCount, "qvsim_journal_count") && get(sim.journalGet, "qvsim_journal_get") &&
         get(sim.journalClear, "qvsim_journal_clear");
}

Sim sim{};

std::vector<QvSimCall> journal() {
  std::vector<QvSimCall> calls(static_cast<std::size_t>(sim.journalCount()));
  for (std::size_t i = 0; i < calls.size(); ++i) sim.journalGet(static_cast<int>(i), &calls[i]);
  return calls;
}

std::vector<const QvSimCall *> callsOf(const std::vector<QvSimCall> &calls, const char *name) {
  std::vector<const QvSimCall *> out;
  for (const QvSimCall &call : calls)
    if (std::strcmp(call.name, name) == 0) out.push_back(&call);
  return out;
}

long long address(const void *p) { return static_cast<long long>(reinterpret_cast<std::intptr_t>(p)); }

// Scripted status words for the next acquisitions. With a 60 s exposure the sensor's
// own timeline delivers nothing in between, so only scripted frames arrive.
void scriptFrames(std::vector<QvSimStep> steps) {
  sim.script(steps.data(), static_cast<int>(steps.size()), 0);
}

std::vector<std::int32_t> settings(int videoMode, int cycle) {
  //   mode hbin vbin exposure gain video - r g b min max lut col
  return {3, 1, 1, 60000, 100, videoMode, 0, 80 + cycle % 40, 100, 120, cycle % 100, 4095 - cycle,
          100, 100};
}

int tablesCreated = 0;
int tablesDeleted = 0;
int framesTaken = 0;

// Each table the library held before release was deleted exactly once, by the kind of
// call that fits it, and no other table was deleted; every handle is 0 afterwards.
void checkTablesDeleted(const std::vector<QvSimCall> &calls, void *color, void *bw, void *pseudo,
                        int cycle) {
  const struct {
    const char *create, *remove;
    void *handle;
  } kinds[] = {{"CREATE_COLORLUT_EX", "DELETE_COLORLUT_EX", color},
               {"CREATE_BWLUT_EX", "DELETE_BWLUT_EX", bw},
               {"CREATE_PSEUDOLUT_EX", "DELETE_PSEUDOLUT_EX", pseudo}};
  for (const auto &kind : kinds) {
    int created = 0;
    for (const QvSimCall *call : callsOf(calls, kind.create)) created += call->result != 0 ? 1 : 0;
    const auto deletes = callsOf(calls, kind.remove);
    tablesCreated += created;
    tablesDeleted += static_cast<int>(deletes.size());
    CHECK(created == (kind.handle != nullptr ? 1 : 0), "cycle %d: %s made %d tables", cycle,
          kind.create, created);
    CHECK(deletes.size() == static_cast<std::size_t>(created), "cycle %d: %s called %zu times",
          cycle, kind.remove, deletes.size());
    for (const QvSimCall *call : deletes) {
      CHECK(call->arg[0] == address(kind.handle), "cycle %d: %s of a handle not held", cycle,
            kind.remove);
      CHECK(call->result == 0, "cycle %d: %s refused the handle", cycle, kind.remove);
    }
  }
  CHECK(qv::colorLut == nullptr && qv::bwLut == nullptr && qv::pseudoLut == nullptr,
        "cycle %d: a table handle survived release", cycle);
}

// The call made to fail once in a cycle, in turn, and the phase it is armed before.
enum Phase { kSetUp, kAcquire, kBalance };
struct Fault {
  const char *entry;
  Phase phase;
};
const Fault kFaults[] = {{nullptr, kSetUp},
                         {"CREATE_BWLUT_EX", kSetUp},
                         {"CREATE_PSEUDOLUT_EX", kSetUp},
                         {"CREATE_COLORLUT_EX", kSetUp},
                         {"STOP_CAMERA", kSetUp},
                         {"ADD_BUFFER_TO_LIST", kAcquire},
                         {"CONV_BUF_12TO8_EX", kAcquire},
                         {"AUTOBALANCE", kBalance}};

void cycleOnce(int cycle) {
  const int color = cycle % 2;
  const int videoMode = cycle % 3 != 0 ? 1 : 0;
  const Fault fault = kFaults[cycle % (sizeof kFaults / sizeof kFaults[0])];
  const auto arm = [&](Phase phase) {
    if (fault.entry != nullptr && fault.phase == phase) sim.fail(fault.entry, kFault, 0, 1);
  };
  const auto faulted = [&](const char *entry) {
    return fault.entry != nullptr && std::strcmp(fault.entry, entry) == 0;
  };
  sim.setInt("color", color);
  sim.clearFaults();
  sim.journalClear();

  const std::array<int, 4> up = qv::initCamera();
  CHECK(up[0] == 0 && up[1] == kWidth && up[2] == kHeight && up[3] == color,
        "cycle %d: InitCamera gave %d %d %d %d", cycle, up[0], up[1], up[2], up[3]);

  scriptFrames({{1, 2}, {1, 2}});
  const std::vector<std::int32_t> s = settings(videoMode, cycle);
  arm(kSetUp);
  const int setUp = qv::setUpCamera(s.data(), s.size());
  // A failing STOP_CAMERA stops the set-up before the tables; the next one makes them.
  if (faulted("STOP_CAMERA")) {
    CHECK(setUp == kFault, "cycle %d: SetUpCamera gave %d", cycle, setUp);
    CHECK(qv::setUpCamera(s.data(), s.size()) == 0, "cycle %d: second SetUpCamera", cycle);
  } else {
    CHECK(setUp == 0, "cycle %d: SetUpCamera gave %d", cycle, setUp);
  }

  std::vector<std::int16_t> raw(kPixels);
  std::vector<std::int8_t> grey(kPixels);
  std::vector<std::int32_t> rgb(kPixels);
  scriptFrames({{1, 2}});
  arm(kAcquire);
  const bool queueFails = faulted("ADD_BUFFER_TO_LIST");
  CHECK(qv::acquireRaw(raw.data(), raw.size()) == (queueFails ? -54 : 0), "cycle %d: Acquire",
        cycle);
  scriptFrames({{1, 2}});
  CHECK(qv::acquire8(grey.data(), grey.size()) == 0, "cycle %d: Acquire8", cycle);
  scriptFrames({{1, 2}});
  CHECK(qv::acquireRgb(rgb.data(), rgb.size()) == 0, "cycle %d: AcquireRGB", cycle);
  framesTaken += queueFails ? 2 : 3;
  // Incomplete and short: nothing written, nothing held.
  scriptFrames({{1, 1}, {1, 1}});
  CHECK(qv::acquireRaw(raw.data(), kPixels - 1) == -54, "cycle %d: short Acquire", cycle);
  CHECK(qv::acquireRgb(nullptr, 0) == -54, "cycle %d: null AcquireRGB", cycle);

  std::int32_t region[4] = {9, 9, 17, 17};
  arm(kBalance);
  const std::array<int, 4> balance = qv::whiteBalance(region, 4);
  CHECK(region[2] == 16 && region[3] == 16, "cycle %d: region written back", cycle);
  CHECK(balance[3] == 0 || balance[3] == static_cast<int>(0xA0123001u),
        "cycle %d: WhiteBalance status %d", cycle, balance[3]);
  std::int32_t outside[4] = {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN};
  qv::whiteBalance(outside, 4);
  std::int32_t whole[4] = {-1, -1, kWidth + 2, kHeight + 2};
  const std::array<int, 2> range = qv::autoMinMax(cycle % 2, whole, 4);
  CHECK(range[0] >= 0 && range[0] <= 4094 && range[1] >= 0 && range[1] <= 4095,
        "cycle %d: AutoMinMax %d %d", cycle, range[0], range[1]);

  void *const color_ = qv::colorLut;
  void *const bw = qv::bwLut;
  void *const pseudo = qv::pseudoLut;
  CHECK(qv::releaseCamera() == 0, "cycle %d: ReleaseCamera", cycle);
  const std::vector<QvSimCall> calls = journal();
  checkTablesDeleted(calls, color_, bw, pseudo, cycle);
  const auto allocated = callsOf(calls, "ALLOCATE_BUFFER");
  const auto freed = callsOf(calls, "FREE_BUFFER");
  CHECK(allocated.size() == 1 && freed.size() == 1 && freed[0]->result == 0,
        "cycle %d: %zu buffers allocated, %zu freed", cycle, allocated.size(), freed.size());
  CHECK(callsOf(calls, "CLOSEBOARD").size() == 1, "cycle %d: board not closed", cycle);
  CHECK(qv::frameBuffer == nullptr && !qv::driverLoaded() && !qv::conversionLoaded(),
        "cycle %d: something stayed after release", cycle);
}

// Whether this process maps a file whose path contains `name`.
bool mapped(const char *name) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find(name) != std::string::npos) return true;
  return false;
}

// A second InitCamera without release repeats every step and releases nothing: the
// first library references stay for the life of the process (the libraries stay
// mapped), and the driver keeps the first buffer until the board is closed.
void repeatedBringUp() {
  sim.clearFaults();
  sim.journalClear();
  CHECK(qv::initCamera()[0] == 0, "first InitCamera");
  CHECK(qv::initCamera()[0] == 0, "repeated InitCamera");
  scriptFrames({{1, 2}});
  std::vector<std::int16_t> raw(kPixels);
  CHECK(qv::acquireRaw(raw.data(), raw.size()) == 0, "Acquire after a repeated InitCamera");
  CHECK(qv::releaseCamera() == 0, "ReleaseCamera after a repeated InitCamera");
  const std::vector<QvSimCall> calls = journal();
  CHECK(callsOf(calls, "ALLOCATE_BUFFER").size() == 2 && callsOf(calls, "FREE_BUFFER").size() == 1,
        "two buffers allocated, one freed by the library");
  CHECK(mapped("libpccam.so") && mapped("libpcocnv.so"),
        "the first references keep both libraries loaded");
}

}  // namespace

int main(int argc, char **argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 100;
  char directory[qv::platform::kMaxPath];
  if (!qv::platform::ownDirectory(directory, sizeof directory) || !bind(sim, directory)) {
    std::fprintf(stderr, "cycles: no simulator beside the program\n");
    return 2;
  }
  sim.setInt("width", kWidth);
  sim.setInt("height", kHeight);
  sim.setInt("pattern", 1);
  sim.setInt("exposure_ms", 1);

  for (int cycle = 0; cycle < cycles; ++cycle) cycleOnce(cycle);
  CHECK(!mapped("libpccam.so") && !mapped("libpcocnv.so"),
        "a vendor library stayed loaded after the last release");
  CHECK(pauses >= cycles, "set-up pauses: %d", pauses);
  repeatedBringUp();

  std::printf("cycles: %d cycles, %d frames, %d tables created, %d deleted; %d failed checks\n",
              cycles, framesTaken, tablesCreated, tablesDeleted, failures);
  return failures == 0 ? 0 : 1;
}
