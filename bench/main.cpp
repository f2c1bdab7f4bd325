// Benchmarks of the library's frame road inside an embedded JVM, against the simulated
// camera in its fast mode: zero exposure in video mode, so a queued buffer gets its frame
// at once, and "fast" set, so completing a frame only marks and signals it and leaves
// the buffer's pixels as they are. The figures then measure the library, not the
// rendering of the scene. Each operation runs beside its floor in the same run, with
// the repetitions of all of them interleaved at random, and is shown as a ratio to it.
//
// The buffer holds one real frame of the simulator's structured scene throughout: it is
// rendered once with "fast" off, and written into the library's frame buffer after the
// camera is brought up again with "fast" on.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/jvm.h"
#include "bench/report.h"
#include "bench/simulator.h"
#include "camera/status.h"
#include "platform/wait.h"
#include "sim/control_internal.h"
#include "tables/tables.h"

namespace qvbench {

namespace {

struct Size {
  int width;
  int height;
};

struct Options {
  bool quick = false;
  std::vector<Size> sizes{{1392, 1040}, {2560, 2160}};
  int soakFrames = 10000;
  // Many short repetitions, interleaved at random: an operation's samples and its
  // floor's are spread over the same stretch of time, and so see the same conditions
  // on a machine that others share.
  int repetitions = 21;
  double minTimeSeconds = 0.03;
  std::string outDir = "bench-results";
  std::string libraryDir = QV_BENCH_LIBRARY_DIR;
  std::string loaderJar = QV_BENCH_LOADER_JAR;
};

constexpr const char *kUsage =
    "usage: qv_bench [--quick] [--sizes=WxH[,WxH...]] [--soak=N] [--repetitions=N]\n"
    "                [--min-time=SECONDS] [--out=DIR] [--library-dir=DIR] [--benchmark_...]\n"
    "  --quick        one iteration of everything at 320 x 256 and a short soak\n"
    "  --sizes        image sizes to measure (default 1392x1040,2560x2160)\n"
    "  --soak         Acquire calls in the soak at the first size (default 10000, 0: none)\n"
    "  --repetitions  repetitions of each benchmark, interleaved at random (default 21)\n"
    "  --min-time     least time of one repetition, in seconds (default 0.03)\n"
    "  --out          folder for results.json, results.md and chart.dat\n"
    "  --library-dir  folder of the built library and the simulator\n"
    "Other --benchmark_... options go to Google Benchmark (e.g. --benchmark_filter=acquire).\n";

bool takeValue(const char *arg, const char *name, std::string &value) {
  const std::size_t length = std::strlen(name);
  if (std::strncmp(arg, name, length) != 0 || arg[length] != '=') return false;
  value = arg + length + 1;
  return true;
}

int positive(const std::string &text, const char *what) {
  char *end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || value < 0 || value > 100000000)
    fatal(std::string("bad ") + what + ": " + text);
  return static_cast<int>(value);
}

std::vector<Size> parseSizes(const std::string &text) {
  std::vector<Size> sizes;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string item = text.substr(start, comma - start);
    const std::size_t x = item.find('x');
    if (x == std::string::npos) fatal("bad size: " + item);
    const int width = positive(item.substr(0, x), "width");
    const int height = positive(item.substr(x + 1), "height");
    if (width < 256 || height < 256 || width > 8192 || height > 8192)
      fatal("sizes run from 256 to 8192 on each side: " + item);
    sizes.push_back({width, height});
    start = comma + 1;
  }
  return sizes;
}

// Takes the program's own options out of argv; what is left goes to Google Benchmark.
Options parseOptions(int &argc, char **argv) {
  Options o;
  bool sizesGiven = false, soakGiven = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    std::string value;
    if (std::strcmp(arg, "--quick") == 0) {
      o.quick = true;
    } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (takeValue(arg, "--sizes", value)) {
      o.sizes = parseSizes(value);
      sizesGiven = true;
    } else if (takeValue(arg, "--soak", value)) {
      o.soakFrames = positive(value, "soak");
      soakGiven = true;
    } else if (takeValue(arg, "--repetitions", value)) {
      o.repetitions = std::max(1, positive(value, "repetitions"));
    } else if (takeValue(arg, "--min-time", value)) {
      o.minTimeSeconds = std::atof(value.c_str());
      if (!(o.minTimeSeconds > 0)) fatal("bad min-time: " + value);
    } else if (takeValue(arg, "--out", value)) {
      o.outDir = value;
    } else if (takeValue(arg, "--library-dir", value)) {
      o.libraryDir = value;
    } else if (std::strncmp(arg, "--benchmark_", 12) == 0) {
      argv[kept++] = argv[i];
    } else {
      std::fputs(kUsage, stderr);
      fatal(std::string("unknown option ") + arg);
    }
  }
  argc = kept;
  if (o.quick) {
    o.repetitions = 1;
    if (!sizesGiven) o.sizes = {{320, 256}};
    if (!soakGiven) o.soakFrames = 50;
  }
  return o;
}

// SetUpCamera's 14 settings: video mode, no binning, unity gain, neutral factors, the
// full display range and a linear table.
std::vector<int> cameraSettings(int exposureMs) {
  //      mode hbin vbin exposure gain video  -   r    g    b  min  max  lut  col
  return {3, 1, 1, exposureMs, 100, 1, 0, 100, 100, 100, 0, 4095, 100, 100};
}

constexpr int kBalanceSide = 256;
constexpr int kSceneExposureMs = 20;
constexpr int kWaitMs = 2000;

// Everything one image size needs: the camera brought up through the library, its
// frame buffer, a buffer of the benchmark's own on the same board for the direct
// driver calls, conversion tables ranged as the library ranges its own, and the
// Java arrays.
struct Session {
  int width = 0;
  int height = 0;
  std::size_t pixels = 0;
  std::size_t frameBytes = 0;

  void *board = nullptr;
  int libraryBuffer = -1;
  std::uint16_t *frame = nullptr;  // the library's frame buffer, as mapped by the simulator
  int ownBuffer = -1;
  void *ownEvent = nullptr;

  void *bwTable = nullptr;
  void *pseudoTable = nullptr;
  void *colourTable = nullptr;

  jshortArray shorts = nullptr;
  jshortArray one = nullptr;
  jbyteArray bytes = nullptr;
  jintArray ints = nullptr;
  jintArray fullRegion = nullptr;
  jintArray balanceRegion = nullptr;

  std::vector<std::uint16_t> copyTarget;
  std::vector<std::uint8_t> grey;
  std::vector<std::uint32_t> rgb;
  // The region as the library hands it to AUTOBALANCE: each row starts with the row
  // marker in place of its first pixel.
  std::vector<std::uint16_t> balanceWords;
};

void bringUp(JNIEnv *env, const Session &s, int exposureMs) {
  const std::vector<int> init = initCamera(env);
  if (init.size() != 4 || init[0] != 0)
    fatal("InitCamera failed with " + std::to_string(init.empty() ? 0 : init[0]));
  if (init[1] != s.width || init[2] != s.height || init[3] != 1)
    fatal("InitCamera reported an unexpected camera");
  const int status = setUpCamera(env, cameraSettings(exposureMs));
  if (status != 0) fatal("SetUpCamera failed with " + std::to_string(status));
}

void openSession(JNIEnv *env, const Simulator &sim, Session &s, const Size &size) {
  s.width = size.width;
  s.height = size.height;
  s.pixels = static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
  s.frameBytes = s.pixels * 2;
  const QuorvaneMethods &m = methods();
  s.shorts = newShortArray(env, s.pixels);

  // One frame of the structured scene, rendered by the simulator.
  sim.reset();
  sim.setInt("width", size.width);
  sim.setInt("height", size.height);
  sim.setInt("color", 1);
  sim.setInt("pattern", 0);
  sim.setInt("fast", 0);
  bringUp(env, s, kSceneExposureMs);
  if (env->CallStaticIntMethod(m.cls, m.acquire, s.shorts) != 0) fatal("no scene frame");
  checkNoException(env, "Acquire");
  std::vector<std::uint16_t> scene(s.pixels);
  env->GetShortArrayRegion(s.shorts, 0, static_cast<jsize>(s.pixels),
                           reinterpret_cast<jshort *>(scene.data()));
  releaseCamera(env);

  // The camera again, now as fast as possible; the scene goes into its frame buffer.
  sim.setInt("fast", 1);
  bringUp(env, s, 0);
  const QvSimCall mapped = lastCall(sim, "MAP_BUFFER");
  s.board = reinterpret_cast<void *>(static_cast<std::intptr_t>(mapped.arg[0]));
  s.libraryBuffer = static_cast<int>(mapped.arg[1]);
  const int mappedBytes = static_cast<int>(mapped.arg[2]);
  if (static_cast<std::size_t>(mappedBytes) < s.frameBytes) fatal("frame buffer too small");
  void *address = nullptr;
  if (sim.driver.MAP_BUFFER(s.board, s.libraryBuffer, mappedBytes, 0, &address) != 0 ||
      address == nullptr)
    fatal("cannot map the library's frame buffer");
  s.frame = static_cast<std::uint16_t *>(address);
  std::memcpy(s.frame, scene.data(), s.frameBytes);

  int bytes = static_cast<int>(s.frameBytes);
  if (sim.driver.ALLOCATE_BUFFER(s.board, &s.ownBuffer, &bytes) != 0 ||
      sim.driver.SETBUFFER_EVENT(s.board, s.ownBuffer, &s.ownEvent) != 0)
    fatal("cannot set up the benchmark's own buffer");

  // Tables as the library creates and ranges its own after SetUpCamera with the settings
  // above: display range 0..4095, gamma 1, colour bounds 50..4095, saturation 100.
  const qv::ConversionApi &c = sim.conversion;
  s.bwTable = c.CREATE_BWLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
  s.pseudoTable = c.CREATE_PSEUDOLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
  s.colourTable = c.CREATE_COLORLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
  if (s.bwTable == nullptr || s.pseudoTable == nullptr || s.colourTable == nullptr ||
      c.CONVERT_SET_EX(s.bwTable, 0, 4095, 0, 1.0) != 0 ||
      c.CONVERT_SET_EX(static_cast<char *>(s.pseudoTable) + kPseudoLutRangeOffset, 0, 4095, 0,
                       1.0) != 0 ||
      c.CONVERT_SET_COL_EX(s.colourTable, 50, 50, 50, 4095, 4095, 4095, 0, 1.0, 100.0) != 0)
    fatal("cannot make the conversion tables");

  s.one = newShortArray(env, 1);
  s.bytes = newByteArray(env, s.pixels);
  s.ints = newIntArray(env, s.pixels);
  s.fullRegion = newIntArray(env, std::vector<int>{0, 0, s.width, s.height});
  // Even corners, so the region starts on a red site of the mosaic.
  const int x0 = (s.width / 2 - kBalanceSide / 2) & ~1;
  const int y0 = (s.height / 2 - kBalanceSide / 2) & ~1;
  s.balanceRegion = newIntArray(env, std::vector<int>{x0, y0, kBalanceSide, kBalanceSide});
  for (int row = y0; row < y0 + kBalanceSide; ++row) {
    const std::uint16_t *line = s.frame + static_cast<std::size_t>(row) * s.width;
    s.balanceWords.push_back(static_cast<std::uint16_t>(qv::kRowMarker));
    s.balanceWords.insert(s.balanceWords.end(), line + x0 + 1, line + x0 + kBalanceSide);
  }

  s.copyTarget.resize(s.pixels);
  s.grey.resize(s.pixels);
  s.rgb.resize(s.pixels);
}

void closeSession(JNIEnv *env, const Simulator &sim, Session &s) {
  sim.conversion.DELETE_BWLUT_EX(s.bwTable);
  sim.conversion.DELETE_PSEUDOLUT_EX(s.pseudoTable);
  sim.conversion.DELETE_COLORLUT_EX(s.colourTable);
  sim.driver.FREE_BUFFER(s.board, s.ownBuffer);
  releaseCamera(env);
  for (jobject array : std::initializer_list<jobject>{s.shorts, s.one, s.bytes, s.ints,
                                                       s.fullRegion, s.balanceRegion})
    env->DeleteGlobalRef(array);
  s = Session{};
}

// The histogram the library builds for AutoMinMax, as the plainest loop over the words.
// So short a loop runs at half speed when its code straddles a 64-byte line, so it is
// aligned: the floor is then always the loop at its best.
#if defined(__GNUC__) && !defined(__clang__)
#define QV_BENCH_ALIGNED_LOOPS __attribute__((optimize("align-loops=64")))
#else
#define QV_BENCH_ALIGNED_LOOPS
#endif
[[gnu::noinline]] QV_BENCH_ALIGNED_LOOPS void histogramLoop(std::array<std::uint32_t, qv::kHistogramSize> &histogram,
                                     const std::uint16_t *words, std::size_t count) {
  histogram.fill(0);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t value = words[i];
    if (value < qv::kHistogramSize) ++histogram[value];
  }
}

// Times of single operations, in microseconds, by benchmark key: wall-clock time, and
// the CPU time of the calling thread. Every iteration is timed on its own, so that an
// iteration the scheduler interrupted (the machine is shared) is one outlier among many
// and drops out of the median, instead of raising the mean of a whole repetition.
struct Timing {
  std::vector<double> real;
  std::vector<double> cpu;
};
using Samples = std::map<std::string, Timing>;

double threadCpuMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Runs body once per iteration, `batch` operations at a time, and records the time per
// operation. The body returns false after it reported an error.
template <typename Body>
void timed(benchmark::State &state, Timing &samples, int batch, Body &&body) {
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    const double cpuStart = threadCpuMicroseconds();
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < batch; ++i)
      if (!body()) return;
    const Clock::time_point end = Clock::now();
    const double cpuEnd = threadCpuMicroseconds();
    samples.real.push_back(std::chrono::duration<double, std::micro>(end - start).count() / batch);
    samples.cpu.push_back((cpuEnd - cpuStart) / batch);
  }
}

bool javaFailed(benchmark::State &state, JNIEnv *env) {
  if (!env->ExceptionCheck()) return false;
  env->ExceptionDescribe();
  state.SkipWithError("Java exception");
  return true;
}

// The benchmark bodies run after this returns: they hold copies of what they use and
// refer to the session and the samples, which outlive them.
void registerBenchmarks(JNIEnv *env, const Simulator &sim, Session &s, Samples &samples,
                        const Options &o, const std::string &prefix) {
  const QuorvaneMethods m = methods();
  const qv::DriverApi driver = sim.driver;
  const qv::ConversionApi conversion = sim.conversion;
  // Registers body(state) -> bool, timed one operation (or `batch`) per iteration.
  const auto add = [&](const char *key, int batch, auto body) {
    Timing *out = &samples[key];
    benchmark::internal::Benchmark *b = benchmark::RegisterBenchmark(
        (prefix + key).c_str(),
        [out, batch, body](benchmark::State &state) { timed(state, *out, batch, [&] { return body(state); }); });
    b->UseRealTime()->Unit(benchmark::kMicrosecond);
    if (o.quick)
      b->Iterations(1)->Repetitions(1);
    else
      b->Repetitions(o.repetitions)->MinTime(o.minTimeSeconds);
  };
  const auto expect = [env](benchmark::State &state, jint status, jint expected,
                            const char *what) {
    if (javaFailed(state, env)) return false;
    if (status == expected) return true;
    state.SkipWithError((std::string(what) + " returned " + std::to_string(status)).c_str());
    return false;
  };
  const jsize n = static_cast<jsize>(s.pixels);
  Session *session = &s;

  // ---- The frame into Java, against what the JNI contract itself costs ----
  add(op::kAcquire, 1, [=](benchmark::State &state) {
    return expect(state, env->CallStaticIntMethod(m.cls, m.acquire, session->shorts), 0, "Acquire");
  });
  add(op::kJniContractFloor, 1, [=](benchmark::State &state) {
    jshort *elements = env->GetShortArrayElements(session->shorts, nullptr);
    if (elements == nullptr) {
      state.SkipWithError("GetShortArrayElements failed");
      return false;
    }
    std::memcpy(elements, session->frame, session->frameBytes);
    env->ReleaseShortArrayElements(session->shorts, elements, 0);
    return true;
  });
  add(op::kSetRegionFloor, 1, [=](benchmark::State &) {
    env->SetShortArrayRegion(session->shorts, 0, n, reinterpret_cast<const jshort *>(session->frame));
    return true;
  });
  add(op::kMemcpyFrame, 1, [=](benchmark::State &) {
    std::memcpy(session->copyTarget.data(), session->frame, session->frameBytes);
    benchmark::ClobberMemory();
    return true;
  });

  // ---- Converted frames into Java, and the bare conversions on native buffers ----
  add(op::kAcquire8, 1, [=](benchmark::State &state) {
    return expect(state, env->CallStaticIntMethod(m.cls, m.acquire8, session->bytes), 0, "Acquire8");
  });
  add(op::kAcquireRgb, 1, [=](benchmark::State &state) {
    return expect(state, env->CallStaticIntMethod(m.cls, m.acquireRgb, session->ints), 0,
                  "AcquireRGB");
  });
  add(op::kConv8, 1, [=](benchmark::State &state) {
    const int status = conversion.CONV_BUF_12TO8_EX(0, session->width, session->height,
                                                    session->frame, session->grey.data(),
                                                    session->bwTable);
    benchmark::ClobberMemory();
    return expect(state, status, 0, "CONV_BUF_12TO8_EX");
  });
  add(op::kConvPseudo, 1, [=](benchmark::State &state) {
    const int status = conversion.CONV_BUF_12TOPSEUDO_EX(18, session->width, session->height,
                                                         session->frame, session->rgb.data(),
                                                         session->pseudoTable);
    benchmark::ClobberMemory();
    return expect(state, status, 0, "CONV_BUF_12TOPSEUDO_EX");
  });
  add(op::kConvColour, 1, [=](benchmark::State &state) {
    const int status = conversion.CONV_BUF_12TOCOL_EX(2, session->width, session->height,
                                                      session->frame, session->rgb.data(),
                                                      session->colourTable);
    benchmark::ClobberMemory();
    return expect(state, status, 0, "CONV_BUF_12TOCOL_EX");
  });

  // ---- The library's own work per acquisition, without copies or conversion ----
  // An array of one element is too short for the image, so Acquire takes the whole
  // frame (GETSIZES, queueing, both triggers, the wait on the event, the status query)
  // and then returns -54 without copying anything.
  add(op::kOverhead, 1, [=](benchmark::State &state) {
    return expect(state, env->CallStaticIntMethod(m.cls, m.acquire, session->one),
                  qv::kStatusFrameIncomplete, "Acquire (1 element)");
  });
  // The same driver calls and the same wait, made directly on a buffer of the
  // benchmark's own on the same board.
  add(op::kDriverSequence, 1, [=](benchmark::State &state) {
    const int bytes = static_cast<int>(session->frameBytes);
    int fullW = 0, fullH = 0, imageW = 0, imageH = 0, bits = 0, word = 0;
    if (driver.GETSIZES(session->board, &fullW, &fullH, &imageW, &imageH, &bits) != 0 ||
        driver.ADD_BUFFER_TO_LIST(session->board, session->ownBuffer, bytes, 0, 0) != 0) {
      state.SkipWithError("driver call failed");
      return false;
    }
    driver.TRIGGER_CAMERA(session->board);
    driver.TRIGGER_CAMERA(session->board);
    const bool signalled = qv::platform::waitForEvent(session->ownEvent, kWaitMs) ==
                           qv::platform::WaitResult::Signalled;
    if (!signalled ||
        driver.GETBUFFER_STATUS(session->board, session->ownBuffer, 0, &word, 4) != 0 ||
        (word & 3) != 2) {
      state.SkipWithError("no frame");
      return false;
    }
    return true;
  });
  // Timed 100 calls at a time: one takes about as long as reading the clock.
  add(op::kJniCall, 100, [=](benchmark::State &state) {
    benchmark::DoNotOptimize(env->CallStaticIntMethod(m.cls, m.runCocAsVideo));
    return !javaFailed(state, env);
  });

  // ---- The automatic adjustments ----
  add(op::kAutoMinMax, 1, [=](benchmark::State &state) {
    jobject result = env->CallStaticObjectMethod(m.cls, m.autoMinMax, 1, session->fullRegion);
    if (javaFailed(state, env)) return false;
    env->DeleteLocalRef(result);
    return true;
  });
  add(op::kHistogramLoop, 1, [=](benchmark::State &) {
    std::array<std::uint32_t, qv::kHistogramSize> histogram;
    histogramLoop(histogram, session->frame, session->pixels);
    benchmark::DoNotOptimize(histogram.data());
    benchmark::ClobberMemory();
    return true;
  });
  add(op::kWhiteBalance, 1, [=](benchmark::State &state) {
    auto result = static_cast<jintArray>(
        env->CallStaticObjectMethod(m.cls, m.whiteBalance, session->balanceRegion));
    if (javaFailed(state, env)) return false;
    jint status = -1;
    if (result != nullptr) env->GetIntArrayRegion(result, 3, 1, &status);
    env->DeleteLocalRef(result);
    if (status != 0) state.SkipWithError("WhiteBalance failed");
    return status == 0;
  });
  add(op::kAutoBalance, 1, [=](benchmark::State &state) {
    int red = 0, green = 0, blue = 0;
    return expect(state,
                  conversion.AUTOBALANCE(0, kBalanceSide, kBalanceSide, session->balanceWords.data(),
                                         session->colourTable, 0, 2, 98, 30, &red, &green, &blue),
                  0, "AUTOBALANCE");
  });
}

// Notes errors and iteration counts of the finished benchmarks, by name without the size
// prefix, and shows progress on stderr; the times come from the benchmarks' own samples.
class Collector final : public benchmark::BenchmarkReporter {
 public:
  Collector(SizeResult &size, const Samples &samples, std::string prefix)
      : size_(size), samples_(samples), prefix_(std::move(prefix)) {}

  bool ReportContext(const Context &) override { return true; }

  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      std::string name = run.run_name.function_name;
      if (name.rfind(prefix_, 0) == 0) name.erase(0, prefix_.size());
      Measurement &measurement = size_.operations[name];
      measurement.repetitions += 1;
      measurement.iterations += static_cast<long long>(run.iterations);
      if (run.error_occurred) measurement.error = run.error_message;
      const auto found = samples_.find(name);
      if (found != samples_.end()) {
        measurement.samples = found->second.real;
        measurement.cpuSamples = found->second.cpu;
      }
      if (&run == &runs.back()) {
        if (!measurement.error.empty())
          std::fprintf(stderr, "  %s%s: ERROR %s\n", prefix_.c_str(), name.c_str(),
                       measurement.error.c_str());
        else if (measurement.valid())
          std::fprintf(stderr, "  %s%-20s %11.2f us, CPU %11.2f us  (medians of %zu)\n",
                       prefix_.c_str(), name.c_str(), measurement.median(),
                       measurement.cpuMedian(), measurement.samples.size());
      }
    }
  }

 private:
  SizeResult &size_;
  const Samples &samples_;
  std::string prefix_;
};

long long residentKiB() {
  std::ifstream statm("/proc/self/statm");
  long long totalPages = 0, residentPages = 0;
  statm >> totalPages >> residentPages;
  return residentPages * (sysconf(_SC_PAGESIZE) / 1024);
}

SoakResult soak(JNIEnv *env, const Simulator &sim, const Session &s, int frames) {
  const QuorvaneMethods &m = methods();
  SoakResult r;
  r.ran = true;
  r.width = s.width;
  r.height = s.height;
  r.frames = frames;
  // The simulator journals every vendor call and keeps the newest entries: fill its
  // journal to capacity first, so that its growth is not counted as the library's.
  for (int i = 0; i < kQvSimJournalCapacity; ++i) {
    int fullW = 0, fullH = 0, imageW = 0, imageH = 0, bits = 0;
    sim.driver.GETSIZES(s.board, &fullW, &fullH, &imageW, &imageH, &bits);
  }
  for (int i = 0; i < 100; ++i) env->CallStaticIntMethod(m.cls, m.acquire, s.shorts);
  checkNoException(env, "Acquire");

  r.rssStartKiB = r.rssMaxKiB = residentKiB();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) {
    if (env->CallStaticIntMethod(m.cls, m.acquire, s.shorts) != 0) ++r.failures;
    checkNoException(env, "Acquire");
    if (i % 500 == 499) r.rssMaxKiB = std::max(r.rssMaxKiB, residentKiB());
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.rssEndKiB = residentKiB();
  r.rssMaxKiB = std::max(r.rssMaxKiB, r.rssEndKiB);
  std::fprintf(stderr, "  soak: %d frames in %.1f s, resident %lld -> %lld KiB\n", frames,
               r.seconds, r.rssStartKiB, r.rssEndKiB);
  return r;
}

}  // namespace

}  // namespace qvbench

int main(int argc, char **argv) {
  using namespace qvbench;
  Options options = parseOptions(argc, argv);

  // Repetitions of all benchmarks of one size run in random order, so that an operation
  // and its floor see the same conditions on a machine shared with other work.
  std::vector<char *> benchmarkArgs(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  if (!options.quick) benchmarkArgs.insert(benchmarkArgs.begin() + 1, interleave.data());
  int benchmarkArgc = static_cast<int>(benchmarkArgs.size());
  benchmarkArgs.push_back(nullptr);
  benchmark::Initialize(&benchmarkArgc, benchmarkArgs.data());
  if (benchmark::ReportUnrecognizedArguments(benchmarkArgc, benchmarkArgs.data())) return 2;

  Results results;
  results.machine = describeMachine();
  results.repetitions = options.repetitions;
  results.minTimeSeconds = options.minTimeSeconds;
  results.quick = options.quick;

  JNIEnv *env = startJvm(options.libraryDir + "/Quorvane.jar:" + options.loaderJar,
                         options.libraryDir + "/libQuorvaneNative.so");
  const Simulator &sim = simulator(options.libraryDir);

  for (std::size_t i = 0; i < options.sizes.size(); ++i) {
    const Size &size = options.sizes[i];
    SizeResult sizeResult;
    sizeResult.width = size.width;
    sizeResult.height = size.height;
    std::fprintf(stderr, "== %d x %d\n", size.width, size.height);
    Session session;
    openSession(env, sim, session, size);
    const std::string prefix = std::to_string(size.width) + "x" + std::to_string(size.height) + "/";
    Samples samples;
    registerBenchmarks(env, sim, session, samples, options, prefix);
    Collector collector(sizeResult, samples, prefix);
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::ClearRegisteredBenchmarks();
    if (i == 0 && options.soakFrames > 0)
      results.soak = soak(env, sim, session, options.soakFrames);
    closeSession(env, sim, session);
    results.sizes.push_back(std::move(sizeResult));
  }

  std::error_code error;
  std::filesystem::create_directories(options.outDir, error);
  if (error) fatal("cannot make " + options.outDir);
  writeJson(results, options.outDir + "/results.json");
  writeMarkdown(results, options.outDir + "/results.md");
  writeChartData(results, options.outDir + "/chart.dat");
  printTable(results, stdout);
  std::printf("\ntargets: %s\n", allTargetsMet(results) ? "all met" : "not all met");
  std::printf("results: %s\n", options.outDir.c_str());

  // A call that failed is an error; a missed target is a finding, not a failure.
  bool failed = results.soak.failures != 0;
  for (const SizeResult &size : results.sizes)
    for (const auto &[key, measurement] : size.operations) failed |= !measurement.error.empty();
  return failed ? 1 : 0;
}
