#include "bench/report.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fstream>
#include <sstream>

#include "bench/jvm.h"

namespace qvbench {

namespace {

struct Operation {
  const char *key;
  const char *label;
};

// Table order: each operation, then its floors.
constexpr Operation kOperations[] = {
    {op::kAcquire, "Acquire"},
    {op::kJniContractFloor, "Get + memcpy + Release mode 0 (JNI-contract floor)"},
    {op::kSetRegionFloor, "SetShortArrayRegion (absolute floor)"},
    {op::kMemcpyFrame, "memcpy of the frame, native to native"},
    {op::kAcquire8, "Acquire8"},
    {op::kAcquireRgb, "AcquireRGB (colour)"},
    {op::kConv8, "CONV_BUF_12TO8_EX, native buffers"},
    {op::kConvPseudo, "CONV_BUF_12TOPSEUDO_EX, native buffers"},
    {op::kConvColour, "CONV_BUF_12TOCOL_EX, native buffers"},
    {op::kOverhead, "Acquire into a 1-element array (-54, no copy)"},
    {op::kDriverSequence, "the same driver calls and wait, made directly"},
    {op::kJniCall, "a native call that returns at once (RunCOCAsVIDEO)"},
    {op::kAutoMinMax, "AutoMinMax, full frame"},
    {op::kHistogramLoop, "plain histogram loop over the same words"},
    {op::kWhiteBalance, "WhiteBalance, 256 x 256 region"},
    {op::kAutoBalance, "AUTOBALANCE on the same region, native"},
};

const std::vector<Comparison> kComparisons = {
    {op::kAcquire, op::kJniContractFloor, 1.15, "Acquire / JNI-contract floor"},
    {op::kAcquire, op::kSetRegionFloor, 0, "Acquire / SetShortArrayRegion"},
    {op::kAcquire, op::kMemcpyFrame, 0, "Acquire / memcpy"},
    {op::kAcquire8, op::kAcquire, 0, "Acquire8 / Acquire"},
    {op::kAcquire8, op::kConv8, 0, "Acquire8 / bare 12->8"},
    {op::kAcquireRgb, op::kAcquire, 0, "AcquireRGB / Acquire"},
    {op::kAcquireRgb, op::kConvColour, 0, "AcquireRGB / bare colour"},
    {op::kOverhead, nullptr, 50.0, "own overhead / 50 us budget"},
    {op::kOverhead, op::kDriverSequence, 0, "own overhead / driver calls"},
    {op::kOverhead, op::kJniCall, 0, nullptr},
    {op::kAutoMinMax, op::kHistogramLoop, 1.3, "AutoMinMax / histogram loop"},
    {op::kWhiteBalance, op::kAutoBalance, 0, "WhiteBalance / AUTOBALANCE"},
    {op::kConv8, op::kMemcpyFrame, 3.0, "12->8 / memcpy"},
    {op::kConvPseudo, op::kMemcpyFrame, 0, "pseudo-colour / memcpy"},
    {op::kConvColour, op::kMemcpyFrame, 8.0, "colour / memcpy"},
};

// The simulator's conversions, shown in megapixels per second.
constexpr const char *kConversions[] = {op::kConv8, op::kConvPseudo, op::kConvColour};

const Measurement *find(const SizeResult &size, const std::string &key) {
  const auto found = size.operations.find(key);
  return found != size.operations.end() && found->second.valid() ? &found->second : nullptr;
}

std::string formatTime(double us) {
  char text[32];
  if (us >= 10000.0)
    std::snprintf(text, sizeof text, "%.1f ms", us / 1000.0);
  else if (us >= 1000.0)
    std::snprintf(text, sizeof text, "%.2f ms", us / 1000.0);
  else if (us >= 10.0)
    std::snprintf(text, sizeof text, "%.1f us", us);
  else
    std::snprintf(text, sizeof text, "%.2f us", us);
  return text;
}

std::string formatNumber(double value, const char *format) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string targetText(const Comparison &c) {
  if (c.target <= 0) return "";
  return c.floor != nullptr ? "<= " + formatNumber(c.target, "%.2f")
                            : "<= " + formatNumber(c.target, "%.0f") + " us";
}

// "met", "MISSED", or empty when there is no target or no value.
std::string verdict(const SizeResult &size, const Comparison &c) {
  double value = 0;
  if (c.target <= 0 || !comparisonValue(size, c, value)) return "";
  return value <= c.target ? "met" : "MISSED";
}

std::string jsonString(const std::string &text) {
  std::string out = "\"";
  for (const char ch : text) {
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (static_cast<unsigned char>(ch) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(ch));
      out += escaped;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string jsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  return formatNumber(value, "%.6g");
}

std::string sizeName(const SizeResult &size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

}  // namespace

const std::vector<std::string> &operationKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> out;
    for (const Operation &o : kOperations) out.emplace_back(o.key);
    return out;
  }();
  return keys;
}

const char *operationLabel(const std::string &key) {
  for (const Operation &o : kOperations)
    if (key == o.key) return o.label;
  return key.c_str();
}

const std::vector<Comparison> &comparisons() { return kComparisons; }

namespace {
double medianOf(std::vector<double> sorted) {
  std::sort(sorted.begin(), sorted.end());
  const std::size_t n = sorted.size();
  if (n == 0) return NAN;
  return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
}
}  // namespace

double Measurement::median() const { return medianOf(samples); }
double Measurement::cpuMedian() const { return medianOf(cpuSamples); }

double Measurement::quantile(double fraction) const {
  if (samples.empty()) return NAN;
  std::vector<double> sorted = samples;
  std::sort(sorted.begin(), sorted.end());
  const double position = fraction * static_cast<double>(sorted.size() - 1);
  const std::size_t below = static_cast<std::size_t>(position);
  const std::size_t above = std::min(below + 1, sorted.size() - 1);
  return sorted[below] + (sorted[above] - sorted[below]) * (position - static_cast<double>(below));
}

double Measurement::min() const {
  return samples.empty() ? NAN : *std::min_element(samples.begin(), samples.end());
}

double Measurement::max() const {
  return samples.empty() ? NAN : *std::max_element(samples.begin(), samples.end());
}

bool comparisonValue(const SizeResult &size, const Comparison &c, double &value) {
  const Measurement *operation = find(size, c.operation);
  if (operation == nullptr) return false;
  if (c.floor == nullptr) {
    value = operation->median();
    return true;
  }
  const Measurement *floor = find(size, c.floor);
  if (floor == nullptr || !(floor->median() > 0)) return false;
  value = operation->median() / floor->median();
  return true;
}

Machine describeMachine() {
  Machine m;
  const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
  m.cpus = cpus > 0 ? static_cast<int>(cpus) : 0;
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind("model name", 0) == 0) {
      const std::size_t colon = line.find(':');
      if (colon != std::string::npos) {
        m.cpuModel = line.substr(colon + 1);
        m.cpuModel.erase(0, m.cpuModel.find_first_not_of(" \t"));
      }
      break;
    }
  }
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", &utc);
  m.date = date;
  std::ifstream load("/proc/loadavg");
  load >> m.loadAverage;
  return m;
}

void printTable(const Results &results, std::FILE *out) {
  const Machine &m = results.machine;
  std::fprintf(out, "\nQuorvaneNative benchmarks, %s, %d x %s, load %.2f at start\n",
               m.date.c_str(), m.cpus, m.cpuModel.c_str(), m.loadAverage);
  std::fprintf(out, "median time per operation over every timed iteration of %d interleaved repetitions%s; ratio = median / floor median, same run\n",
               results.repetitions, results.quick ? " (quick: one iteration each)" : "");
  for (const SizeResult &size : results.sizes) {
    std::fprintf(out, "\n== %d x %d (%.2f Mpx)\n", size.width, size.height, size.megapixels());
    std::fprintf(out, "%-48s %10s  %-52s %10s %7s  %-12s\n", "operation", "median", "floor",
                 "median", "ratio", "target");
    for (const Comparison &c : comparisons()) {
      const Measurement *operation = find(size, c.operation);
      const Measurement *floor = c.floor != nullptr ? find(size, c.floor) : nullptr;
      double value = 0;
      const bool have = comparisonValue(size, c, value);
      std::string target = targetText(c);
      const std::string v = verdict(size, c);
      if (!v.empty()) target += " " + v;
      std::fprintf(out, "%-48s %10s  %-52s %10s %7s  %-12s\n", operationLabel(c.operation),
                   operation != nullptr ? formatTime(operation->median()).c_str() : "-",
                   c.floor != nullptr ? operationLabel(c.floor) : "(budget)",
                   floor != nullptr ? formatTime(floor->median()).c_str() : "",
                   have && c.floor != nullptr ? formatNumber(value, "%.2f").c_str() : "",
                   target.c_str());
    }
    std::fprintf(out, "simulator conversions:");
    for (const char *key : kConversions) {
      const Measurement *conversion = find(size, key);
      if (conversion != nullptr)
        std::fprintf(out, "  %s %.0f Mpx/s", key, size.megapixels() / conversion->median() * 1e6);
    }
    if (const Measurement *copy = find(size, op::kMemcpyFrame))
      std::fprintf(out, "  (memcpy of the input %.0f Mpx/s)", size.megapixels() / copy->median() * 1e6);
    std::fprintf(out, "\n");
    for (const auto &[key, measurement] : size.operations) {
      if (!measurement.error.empty())
        std::fprintf(out, "ERROR %s: %s\n", key.c_str(), measurement.error.c_str());
    }
  }
  const SoakResult &soak = results.soak;
  if (soak.ran) {
    std::fprintf(out,
                 "\n== soak: %d Acquire calls in video mode at %d x %d: %.0f frames/s, "
                 "%d failed; resident memory %lld KiB at start, %lld KiB at end "
                 "(%+lld KiB, most %lld KiB)\n",
                 soak.frames, soak.width, soak.height, soak.framesPerSecond(), soak.failures,
                 soak.rssStartKiB, soak.rssEndKiB, soak.rssEndKiB - soak.rssStartKiB,
                 soak.rssMaxKiB);
  }
}

void writeJson(const Results &results, const std::string &path) {
  std::ostringstream j;
  const Machine &m = results.machine;
  j << "{\n  \"machine\": {\"cpus\": " << m.cpus << ", \"cpu_model\": " << jsonString(m.cpuModel)
    << ", \"date\": " << jsonString(m.date) << ", \"load_average\": " << jsonNumber(m.loadAverage)
    << "},\n";
  j << "  \"repetitions\": " << results.repetitions
    << ", \"min_time_s\": " << jsonNumber(results.minTimeSeconds)
    << ", \"quick\": " << (results.quick ? "true" : "false") << ",\n";
  j << "  \"sizes\": [";
  for (std::size_t s = 0; s < results.sizes.size(); ++s) {
    const SizeResult &size = results.sizes[s];
    j << (s == 0 ? "\n" : ",\n") << "    {\"width\": " << size.width
      << ", \"height\": " << size.height << ",\n      \"operations\": {";
    bool first = true;
    for (const std::string &key : operationKeys()) {
      const auto found = size.operations.find(key);
      if (found == size.operations.end()) continue;
      const Measurement &me = found->second;
      j << (first ? "\n" : ",\n") << "        " << jsonString(key) << ": {\"label\": "
        << jsonString(operationLabel(key)) << ", \"median_us\": " << jsonNumber(me.median())
        << ", \"cpu_median_us\": " << jsonNumber(me.cpuMedian())
        << ", \"p10_us\": " << jsonNumber(me.quantile(0.1))
        << ", \"p90_us\": " << jsonNumber(me.quantile(0.9))
        << ", \"min_us\": " << jsonNumber(me.min()) << ", \"max_us\": " << jsonNumber(me.max())
        << ", \"repetitions\": " << me.repetitions << ", \"iterations\": " << me.iterations
        << ", \"timed_iterations\": " << me.samples.size();
      if (std::find(std::begin(kConversions), std::end(kConversions), key) !=
              std::end(kConversions) ||
          key == op::kMemcpyFrame)
        j << ", \"megapixels_per_s\": " << jsonNumber(size.megapixels() / me.median() * 1e6);
      if (!me.error.empty()) j << ", \"error\": " << jsonString(me.error);
      j << "}";
      first = false;
    }
    j << "\n      },\n      \"comparisons\": [";
    first = true;
    for (const Comparison &c : comparisons()) {
      double value = 0;
      if (!comparisonValue(size, c, value)) continue;
      j << (first ? "\n" : ",\n") << "        {\"operation\": " << jsonString(c.operation)
        << ", \"floor\": " << (c.floor != nullptr ? jsonString(c.floor) : "null")
        << (c.floor != nullptr ? ", \"ratio\": " : ", \"median_us\": ") << jsonNumber(value);
      if (c.target > 0)
        j << (c.floor != nullptr ? ", \"target_ratio\": " : ", \"target_us\": ")
          << jsonNumber(c.target) << ", \"met\": " << (value <= c.target ? "true" : "false");
      j << "}";
      first = false;
    }
    j << "\n      ]\n    }";
  }
  j << "\n  ]";
  const SoakResult &soak = results.soak;
  if (soak.ran) {
    j << ",\n  \"soak\": {\"width\": " << soak.width << ", \"height\": " << soak.height
      << ", \"frames\": " << soak.frames << ", \"failures\": " << soak.failures
      << ", \"seconds\": " << jsonNumber(soak.seconds)
      << ", \"frames_per_s\": " << jsonNumber(soak.framesPerSecond())
      << ", \"rss_start_kib\": " << soak.rssStartKiB << ", \"rss_end_kib\": " << soak.rssEndKiB
      << ", \"rss_max_kib\": " << soak.rssMaxKiB << "}";
  }
  j << "\n}\n";
  std::ofstream file(path);
  file << j.str();
  if (!file) fatal("cannot write " + path);
}

void writeMarkdown(const Results &results, const std::string &path) {
  std::ostringstream md;
  const Machine &m = results.machine;
  md << "Measured " << m.date.substr(0, 10) << " on " << m.cpus << " x " << m.cpuModel
     << " (nproc " << m.cpus << ", a machine shared with other work) by `./quorvane bench`: "
     << "median per operation over all timed iterations of " << results.repetitions
     << " randomly interleaved repetitions; ratio = median / floor median, same run."
     << (results.quick ? " Quick run: one iteration each, not a measurement." : "") << "\n\n";
  md << "| operation / floor |";
  for (const SizeResult &size : results.sizes)
    md << " " << size.width << " x " << size.height << " |";
  md << " target |\n|---|";
  for (std::size_t i = 0; i < results.sizes.size(); ++i) md << "---|";
  md << "---|\n";
  for (const Comparison &c : comparisons()) {
    if (c.chartLabel == nullptr) continue;
    md << "| " << c.chartLabel << " |";
    for (const SizeResult &size : results.sizes) {
      double value = 0;
      const Measurement *operation = find(size, c.operation);
      if (!comparisonValue(size, c, value) || operation == nullptr) {
        md << " - |";
        continue;
      }
      const std::string v = verdict(size, c);
      md << " " << (c.floor == nullptr ? formatTime(value) : formatNumber(value, "%.2f") + " (" +
                                                                 formatTime(operation->median()) + ")")
         << (v == "MISSED" ? " **missed**" : "") << " |";
    }
    const std::string target = targetText(c);
    md << " " << (target.empty() ? "-" : target) << " |\n";
  }
  md << "\nSimulator conversions in megapixels per second (memcpy of the same input bytes):";
  for (std::size_t s = 0; s < results.sizes.size(); ++s) {
    const SizeResult &size = results.sizes[s];
    md << (s == 0 ? " " : "; ") << sizeName(size) << ":";
    const char *names[] = {"12->8", "pseudo-colour", "colour"};
    for (std::size_t k = 0; k < std::size(kConversions); ++k) {
      if (const Measurement *conversion = find(size, kConversions[k]))
        md << " " << names[k] << " "
           << formatNumber(size.megapixels() / conversion->median() * 1e6, "%.0f");
    }
    if (const Measurement *copy = find(size, op::kMemcpyFrame))
      md << " (memcpy " << formatNumber(size.megapixels() / copy->median() * 1e6, "%.0f") << ")";
  }
  md << ".\n";
  const SoakResult &soak = results.soak;
  if (soak.ran) {
    md << "\nSoak: " << soak.frames << " Acquire calls in video mode at " << soak.width << " x "
       << soak.height << ", " << formatNumber(soak.framesPerSecond(), "%.0f") << " frames/s, "
       << soak.failures << " failed; resident memory " << soak.rssStartKiB << " KiB at start, "
       << soak.rssEndKiB << " KiB at end (" << (soak.rssEndKiB - soak.rssStartKiB >= 0 ? "+" : "")
       << soak.rssEndKiB - soak.rssStartKiB << " KiB).\n";
  }
  std::ofstream file(path);
  file << md.str();
  if (!file) fatal("cannot write " + path);
}

void writeChartData(const Results &results, const std::string &path) {
  std::ostringstream d;
  const Machine &m = results.machine;
  d << "# Measured on " << m.date.substr(0, 10) << ", " << m.cpus << " x " << m.cpuModel << "\n";
  d << "operation";
  for (const SizeResult &size : results.sizes) d << "\t" << sizeName(size);
  d << "\ttarget\n";
  for (const Comparison &c : comparisons()) {
    if (c.chartLabel == nullptr) continue;
    d << "\"" << c.chartLabel << "\"";
    for (const SizeResult &size : results.sizes) {
      double value = 0;
      if (!comparisonValue(size, c, value)) {
        d << "\t-";
        continue;
      }
      // The budget row is charted as the share of its budget used.
      if (c.floor == nullptr) value /= c.target;
      d << "\t" << formatNumber(value, "%.4f");
    }
    d << "\t" << (c.target > 0 ? formatNumber(c.floor != nullptr ? c.target : 1.0, "%.2f") : "-")
      << "\n";
  }
  std::ofstream file(path);
  file << d.str();
  if (!file) fatal("cannot write " + path);
}

bool allTargetsMet(const Results &results) {
  for (const SizeResult &size : results.sizes)
    for (const Comparison &c : comparisons())
      if (verdict(size, c) == "MISSED") return false;
  return true;
}

}  // namespace qvbench
