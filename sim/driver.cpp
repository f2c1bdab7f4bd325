// The simulated camera driver (library pccam): the 16 entry points of vendor/driver.h
// over one simulated 12-bit camera, board 0. Every entry point first reports itself to
// qvsim (journal and injected faults, see sim/control.h); a faulted call returns the
// injected status and does nothing else.
//
// Status codes (all negative as ints; 0 is success):
//   0x80441001  no such board: INITBOARD for a board number other than 0
//   0x80441002  invalid board handle: null, never opened, or already closed
//   0x80441003  a required pointer argument is null
//   0x80441004  invalid argument: out of range, a fixed argument that is not 0, reserved
//               mode bits set, bits per pixel other than 12
//   0x80441005  unknown camera mode (bits 4 and up of SETMODE's mode word)
//   0x80441006  the camera is running (SETMODE between START_CAMERA and STOP_CAMERA)
//   0x80441007  unknown board value item (GETBOARDVAL)
//   0x80441008  invalid buffer number: not allocated, out of range, or (ALLOCATE_BUFFER)
//               not -1 on entry
//   0x80441009  invalid size: not positive, above the allocation limit, or larger than
//               the buffer allocated
//   0x8044100A  out of resources: all buffers in use, or memory, an event or the
//               worker thread could not be had
//   0x8044100B  GETBUFFER_STATUS was asked for a status other than 4 bytes
//   0x8044100C  a qvsim setting read at INITBOARD is out of range (width and height
//               1..8192, exposure_ms 0..60000)
//
// SETMODE(board, modeWord, 0, setting3, hbin, vbin, setting4, 0, 12, 0):
//   modeWord bit 0     1 = triggered mode (one frame per accepted trigger),
//                      0 = video mode (frames one after another while running)
//   modeWord bits 1-3  reserved, must be 0
//   modeWord bits 4+   camera mode: 1 = fast readout (2 ms, read noise 4 counts),
//                      2 = low-noise readout (10 ms, read noise 1.5 counts),
//                      3 = normal readout (5 ms, read noise 2.5 counts); others unknown
//   setting3           exposure time in milliseconds, 0..60000; 0 = as fast as possible
//   hbin, vbin         binning across and down: 1, 2 or 4 (0 counts as 1)
//   setting4           analogue gain in percent, 50..800; 0 counts as 100 (unity)
// Until the first SETMODE after INITBOARD the camera is in video mode, mode 3, with the
// "exposure_ms" setting as exposure, no binning and unity gain.
//
// Timing: in video mode, after START_CAMERA the first frame finishes after one exposure
// plus one readout and the next ones each max(exposure, readout) later. In triggered
// mode an accepted trigger finishes a frame exposure + readout later; a trigger while an
// exposure is under way, in video mode or on a stopped camera is accepted and ignored.
// With exposure 0 there is no waiting at all: in video mode every queued buffer
// receives a frame at once, in triggered mode the trigger's frame finishes at once.
// A finished frame goes into the buffer queued longest (ADD_BUFFER_TO_LIST), which is
// taken off the list, marked complete and its event set; with nothing queued the frame
// is lost. The worker thread waits on a condition variable between frames.
//
// Buffer status word (GETBUFFER_STATUS): bits 0-1 are 0 idle, 1 queued, 2 complete.
// Bits 12-15 mean the buffer must be queued again: 0x2000 after REMOVE_BUFFER_FROM_LIST
// took it off the list while it was queued; 0x1000 (overrun) only comes from scripts.
//
// Frames: every frame written into a buffer, by the timeline or by a script, takes the
// next number of qvsim's frame counter (qvsim_next_frame_number), in the order written;
// frames lost for want of a buffer take none. So the k-th frame written since qvsim was
// loaded or reset has number kQvSimFirstFrameNumber + k (mod 2^32), whatever boards were
// opened in between; "fast" frames take their number too. In pattern mode ("pattern"
// setting) pixel (x, y) of frame f is qvsim_pattern_value(x, y, imageWidth, f) with the
// binned image width, no noise. Otherwise the frame is the structured scene of
// sim/scene.h: a white surface reads about 3400 counts above a black level of 32 at
// 20 ms and unity gain, linear in exposure and gain (exposure 0 renders like 1 ms),
// with shot and read noise from the "seed" setting and the frame number; a colour
// sensor gives an RGGB mosaic under a warm light. A frame fills at most the size given
// to ADD_BUFFER_TO_LIST. The "oversize" setting N > 0 makes GETSIZES report an image
// width of the full width + N at any binning; frames keep their true width.
//
// Scripts (qvsim_script): while one is active the timeline completes no frames. The
// first ADD_BUFFER_TO_LIST arms the current step; each GETBUFFER_STATUS consumes a step,
// reports its status word instead of the buffer's and arms the next. Arming a step that
// signals writes a frame into the buffer queued longest (or, with none queued, the
// buffer named in the call) and sets that buffer's event. Scripts take no buffer off the
// list; when the script ends the timeline serves the list again.
//
// Other behaviour: INITBOARD on an open board hands out the same handle and opens it
// afresh (settings read again, camera stopped, mode reset, queue emptied); buffers it
// already had stay allocated until FREE_BUFFER or CLOSEBOARD. FREE_BUFFER takes a
// queued buffer off the list first. STOP_CAMERA leaves queued buffers queued.
// REMOVE_BUFFER_FROM_LIST and UNMAP_BUFFER of a buffer that is not queued or mapped
// succeed and change nothing. ALLOCATE_BUFFER gives out up to 16 buffers of at most
// 256 MiB, zero-filled; SETBUFFER_EVENT returns the buffer's one event, made on the
// first call. On Windows an open board keeps the DLL loaded (see driver_module.h).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>

#include "platform/callconv.h"
#include "sim/control.h"
#include "sim/control_internal.h"
#include "sim/driver_board.h"
#include "sim/driver_module.h"
#include "sim/sim_event.h"
#include "vendor/driver.h"

namespace qvsim_driver {

namespace {

constexpr int kOk = 0;
constexpr int kNoSuchBoard = static_cast<int>(0x80441001u);
constexpr int kBadHandle = static_cast<int>(0x80441002u);
constexpr int kNullPointer = static_cast<int>(0x80441003u);
constexpr int kBadArgument = static_cast<int>(0x80441004u);
constexpr int kUnknownMode = static_cast<int>(0x80441005u);
constexpr int kCameraRunning = static_cast<int>(0x80441006u);
constexpr int kUnknownItem = static_cast<int>(0x80441007u);
constexpr int kBadBuffer = static_cast<int>(0x80441008u);
constexpr int kBadSize = static_cast<int>(0x80441009u);
constexpr int kNoResources = static_cast<int>(0x8044100Au);
constexpr int kBadStatusSize = static_cast<int>(0x8044100Bu);
constexpr int kBadSetting = static_cast<int>(0x8044100Cu);

constexpr int kMaxSensorSide = 8192;
constexpr int kMaxExposureMs = 60000;
constexpr int kMinGainPercent = 50;
constexpr int kMaxGainPercent = 800;
constexpr int kMaxBufferBytes = 256 * 1024 * 1024;
constexpr int kBitsPerPixel = 12;
// GETBOARDVAL item 14: bit 0 the colour flag, bit 1 always set.
constexpr int kColorBoardValue = 3;
constexpr int kMonoBoardValue = 2;

// Board 0 while it is open. Handles are tokens that are never reused, so a handle kept
// from an earlier open is refused rather than taken for the board open now.
struct Registry {
  std::mutex mutex;
  std::shared_ptr<Board> board;
  void *handle = nullptr;
  std::uintptr_t opens = 0;

  // Unloading the library with the board still open stops its worker thread first;
  // at process exit on a platform that has already ended that thread, the board is
  // abandoned instead (see driver_module.h).
  ~Registry() {
    if (!board) return;
    if (openBoardPinsLibrary()) {
      new std::shared_ptr<Board>(std::move(board));  // never destroyed, on purpose
      return;
    }
    board->shutdown();
  }
};

Registry &registry() {
  static Registry instance;
  return instance;
}

std::shared_ptr<Board> findBoard(void *handle) {
  Registry &r = registry();
  std::lock_guard lock(r.mutex);
  if (handle == nullptr || handle != r.handle) return {};
  return r.board;
}

long long arg(const void *p) {
  return static_cast<long long>(reinterpret_cast<std::intptr_t>(p));
}

// Runs one entry point: reports it to qvsim, returns an injected fault's status
// unchanged, otherwise the body's result; no exception leaves the library.
template <typename Body>
int enter(const char *name, std::initializer_list<long long> args, Body &&body) {
  int injected = 0;
  if (qvsim_enter(name, static_cast<int>(args.size()), args.begin(), 0, nullptr, &injected) != 0) {
    qvsim_leave(injected);
    return injected;
  }
  int result;
  try {
    result = body();
  } catch (...) {
    result = kNoResources;
  }
  qvsim_leave(result);
  return result;
}

// Runs `body(board)` with the board's mutex held, or fails for an unknown handle.
template <typename Body>
int withBoard(void *handle, Body &&body) {
  const std::shared_ptr<Board> board = findBoard(handle);
  if (!board) return kBadHandle;
  std::unique_lock lock(board->mutex);
  if (board->closed) return kBadHandle;
  return body(*board);
}

Buffer *findBuffer(Board &board, int number) {
  if (number < 0 || number >= kMaxBuffers) return nullptr;
  return board.buffers[number].get();
}

int readSettings(BoardSettings &out) {
  out.fullWidth = qvsim_get_int("width");
  out.fullHeight = qvsim_get_int("height");
  out.color = qvsim_get_int("color") != 0;
  out.pattern = qvsim_get_int("pattern") != 0;
  out.fast = qvsim_get_int("fast") != 0;
  out.invalidEvent = qvsim_get_int("invalid_event") != 0;
  out.oversize = std::max(0, qvsim_get_int("oversize"));
  out.seed = static_cast<std::uint32_t>(qvsim_get_int("seed"));
  out.defaultExposureMs = qvsim_get_int("exposure_ms");
  if (out.fullWidth < 1 || out.fullWidth > kMaxSensorSide || out.fullHeight < 1 ||
      out.fullHeight > kMaxSensorSide || out.defaultExposureMs < 0 ||
      out.defaultExposureMs > kMaxExposureMs)
    return kBadSetting;
  return kOk;
}

// A binning factor, 0 standing for 1; 0 when the value is not allowed.
int binning(int value) {
  if (value == 0 || value == 1) return 1;
  if (value == 2 || value == 4) return value;
  return 0;
}

// The step of the script that is armed now: when it signals, a frame is written into
// the buffer queued longest (or, with none queued, into `fallback`) and its event set.
void armScriptStepLocked(Board &board, Buffer &fallback) {
  QvSimStep step{};
  if (qvsim_script_peek(&step) == 0) {
    board.scriptArmed = false;
    return;
  }
  board.scriptArmed = true;
  board.scriptArmedSerial = qvsim_script_serial();
  if (step.signal == 0) return;
  Buffer *target = board.queue.empty() ? &fallback : board.buffers[board.queue.front()].get();
  board.writeFrameLocked(*target, target->queued ? target->queuedBytes : target->size);
  signalEvent(target->event);
}

int initBoard(int boardNumber, void **handle) {
  if (handle == nullptr) return kNullPointer;
  if (boardNumber != 0) return kNoSuchBoard;
  BoardSettings settings;
  const int status = readSettings(settings);
  if (status != kOk) return status;

  Registry &r = registry();
  std::lock_guard lock(r.mutex);
  if (r.board) {
    std::lock_guard boardLock(r.board->mutex);
    r.board->openLocked(settings);
    *handle = r.handle;
    return kOk;
  }
  auto board = std::make_shared<Board>();
  {
    std::lock_guard boardLock(board->mutex);
    board->openLocked(settings);
  }
  try {
    board->startWorker();
  } catch (...) {
    return kNoResources;
  }
  ++r.opens;
  holdLibrary();
  r.board = std::move(board);
  r.handle = reinterpret_cast<void *>(static_cast<std::uintptr_t>(0x10000) + r.opens * 16);
  *handle = r.handle;
  return kOk;
}

int closeBoard(void **handle) {
  if (handle == nullptr) return kNullPointer;
  std::shared_ptr<Board> board;
  {
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    if (*handle == nullptr || *handle != r.handle) return kBadHandle;
    board = std::move(r.board);
    r.board.reset();
    r.handle = nullptr;
    // The caller holds its own reference for the length of this call, so the library
    // stays loaded while the worker is stopped below.
    releaseLibrary();
  }
  board->shutdown();
  *handle = nullptr;
  return kOk;
}

int setMode(Board &board, int modeWord, int zero3, int exposureMs, int hbin, int vbin,
            int gainPercent, int zero8, int bitsPerPixel, int zero10) {
  if (board.running) return kCameraRunning;
  if (zero3 != 0 || zero8 != 0 || zero10 != 0 || bitsPerPixel != kBitsPerPixel) return kBadArgument;
  if ((modeWord & 0xE) != 0) return kBadArgument;
  const int mode = static_cast<int>(static_cast<unsigned>(modeWord) >> 4);
  if (mode != kModeFast && mode != kModeLowNoise && mode != kModeNormal) return kUnknownMode;
  if (exposureMs < 0 || exposureMs > kMaxExposureMs) return kBadArgument;
  const int across = binning(hbin), down = binning(vbin);
  if (across == 0 || down == 0) return kBadArgument;
  const int gain = gainPercent == 0 ? 100 : gainPercent;
  if (gain < kMinGainPercent || gain > kMaxGainPercent) return kBadArgument;

  board.mode.triggered = (modeWord & 1) != 0;
  board.mode.mode = mode;
  board.mode.exposureMs = exposureMs;
  board.mode.hbin = across;
  board.mode.vbin = down;
  board.mode.gainPercent = gain;
  board.wakeLocked();
  return kOk;
}

int allocateBuffer(Board &board, int *bufferNumber, int *sizeBytes) {
  if (bufferNumber == nullptr || sizeBytes == nullptr) return kNullPointer;
  if (*bufferNumber != -1) return kBadBuffer;
  const int size = *sizeBytes;
  if (size <= 0 || size > kMaxBufferBytes) return kBadSize;
  int number = 0;
  while (number < kMaxBuffers && board.buffers[number]) ++number;
  if (number == kMaxBuffers) return kNoResources;
  auto buffer = std::make_unique<Buffer>();
  buffer->memory = allocateBufferMemory(static_cast<std::size_t>(size));
  buffer->size = size;
  board.buffers[number] = std::move(buffer);
  *bufferNumber = number;
  return kOk;
}

int setBufferEvent(Board &board, int number, void **event) {
  if (event == nullptr) return kNullPointer;
  Buffer *buffer = findBuffer(board, number);
  if (buffer == nullptr) return kBadBuffer;
  if (buffer->event == nullptr) {
    if (board.settings.invalidEvent) {
      buffer->event = invalidEvent();
      buffer->ownsEvent = false;
    } else {
      EventHandle made = nullptr;
      if (!createEvent(&made)) return kNoResources;
      buffer->event = made;
      buffer->ownsEvent = true;
    }
  }
  *event = buffer->event;
  return kOk;
}

int addBuffer(Board &board, int number, int sizeBytes, int zero4, int zero5) {
  Buffer *buffer = findBuffer(board, number);
  if (buffer == nullptr) return kBadBuffer;
  if (zero4 != 0 || zero5 != 0) return kBadArgument;
  if (sizeBytes <= 0 || sizeBytes > buffer->size) return kBadSize;
  buffer->queuedBytes = sizeBytes;
  buffer->status = kBufferQueued;
  if (!buffer->queued) {
    buffer->queued = true;
    board.queue.push_back(number);
  }
  if (qvsim_script_active() != 0) {
    // A step armed before is not armed again, unless the script changed under it (a
    // new script starts again at step 0, also when the old one stood at step 0).
    if (!board.scriptArmed || qvsim_script_serial() != board.scriptArmedSerial)
      armScriptStepLocked(board, *buffer);
  } else {
    board.scriptArmed = false;
  }
  board.wakeLocked();
  return kOk;
}

int removeBuffer(Board &board, int number) {
  Buffer *buffer = findBuffer(board, number);
  if (buffer == nullptr) return kBadBuffer;
  if (buffer->queued) {
    board.unqueueLocked(number);
    buffer->status = kBufferIdle | kBufferCancelled;
  }
  return kOk;
}

int bufferStatus(Board &board, int number, int zero, int *statusWord, int statusBytes) {
  Buffer *buffer = findBuffer(board, number);
  if (buffer == nullptr) return kBadBuffer;
  if (statusWord == nullptr) return kNullPointer;
  if (zero != 0) return kBadArgument;
  if (statusBytes != 4) return kBadStatusSize;
  QvSimStep step{};
  if (qvsim_script_next(&step) != 0) {
    *statusWord = static_cast<int>(step.statusWord);
    armScriptStepLocked(board, *buffer);
    // The script may have ended with this step: the timeline takes over again.
    if (!board.scriptArmed) board.wakeLocked();
    return kOk;
  }
  board.scriptArmed = false;
  *statusWord = static_cast<int>(buffer->status);
  return kOk;
}

int mapBuffer(Board &board, int number, int sizeBytes, int zero, void **address) {
  if (address == nullptr) return kNullPointer;
  Buffer *buffer = findBuffer(board, number);
  if (buffer == nullptr) return kBadBuffer;
  if (zero != 0) return kBadArgument;
  if (sizeBytes <= 0 || sizeBytes > buffer->size) return kBadSize;
  buffer->mapped = true;
  *address = buffer->memory.get();
  return kOk;
}

}  // namespace

}  // namespace qvsim_driver

using namespace qvsim_driver;

extern "C" {

QV_VENDOR_EXPORT int QV_VENDOR_CC INITBOARD(int boardNumber, void **board) {
  return enter("INITBOARD", {boardNumber, arg(board)},
               [&] { return initBoard(boardNumber, board); });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC CLOSEBOARD(void **board) {
  return enter("CLOSEBOARD", {arg(board)}, [&] { return closeBoard(board); });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC GETBOARDVAL(void *board, int item, int *value) {
  return enter("GETBOARDVAL", {arg(board), item, arg(value)}, [&] {
    return withBoard(board, [&](Board &b) {
      if (value == nullptr) return kNullPointer;
      if (item != kBoardValueColor) return kUnknownItem;
      *value = b.settings.color ? kColorBoardValue : kMonoBoardValue;
      return kOk;
    });
  });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC GETSIZES(void *board, int *fullWidth, int *fullHeight,
                                           int *imageWidth, int *imageHeight,
                                           int *bitsPerPixel) {
  return enter("GETSIZES",
               {arg(board), arg(fullWidth), arg(fullHeight), arg(imageWidth),
                arg(imageHeight), arg(bitsPerPixel)},
               [&] {
                 return withBoard(board, [&](Board &b) {
                   if (fullWidth == nullptr || fullHeight == nullptr || imageWidth == nullptr ||
                       imageHeight == nullptr || bitsPerPixel == nullptr)
                     return kNullPointer;
                   *fullWidth = b.settings.fullWidth;
                   *fullHeight = b.settings.fullHeight;
                   // The "oversize" knob makes the image wider than the sensor itself.
                   *imageWidth = b.settings.oversize > 0 ? b.settings.fullWidth + b.settings.oversize
                                                         : b.imageWidthLocked();
                   *imageHeight = b.imageHeightLocked();
                   *bitsPerPixel = kBitsPerPixel;
                   return kOk;
                 });
               });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC SETMODE(void *board, int modeWord, int zero3, int setting3,
                                          int hbin, int vbin, int setting4, int zero8,
                                          int bitsPerPixel, int zero10) {
  return enter("SETMODE",
               {arg(board), modeWord, zero3, setting3, hbin, vbin, setting4, zero8,
                bitsPerPixel, zero10},
               [&] {
                 return withBoard(board, [&](Board &b) {
                   return setMode(b, modeWord, zero3, setting3, hbin, vbin, setting4, zero8,
                                  bitsPerPixel, zero10);
                 });
               });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC START_CAMERA(void *board) {
  return enter("START_CAMERA", {arg(board)}, [&] {
    return withBoard(board, [](Board &b) {
      b.startCameraLocked();
      return kOk;
    });
  });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC STOP_CAMERA(void *board) {
  return enter("STOP_CAMERA", {arg(board)}, [&] {
    return withBoard(board, [](Board &b) {
      b.stopCameraLocked();
      return kOk;
    });
  });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC TRIGGER_CAMERA(void *board) {
  return enter("TRIGGER_CAMERA", {arg(board)}, [&] {
    return withBoard(board, [](Board &b) {
      b.triggerLocked();
      return kOk;
    });
  });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC ALLOCATE_BUFFER(void *board, int *bufferNumber, int *sizeBytes) {
  return enter("ALLOCATE_BUFFER", {arg(board), arg(bufferNumber), arg(sizeBytes)},
               [&] {
                 return withBoard(board,
                                  [&](Board &b) { return allocateBuffer(b, bufferNumber, sizeBytes); });
               });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC FREE_BUFFER(void *board, int bufferNumber) {
  return enter("FREE_BUFFER", {arg(board), bufferNumber}, [&] {
    return withBoard(board, [&](Board &b) {
      if (findBuffer(b, bufferNumber) == nullptr) return kBadBuffer;
      b.freeBufferLocked(bufferNumber);
      b.wakeLocked();
      return kOk;
    });
  });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC GETBUFFER_STATUS(void *board, int bufferNumber, int zero,
                                                   int *statusWord, int statusBytes) {
  return enter("GETBUFFER_STATUS",
               {arg(board), bufferNumber, zero, arg(statusWord), statusBytes}, [&] {
                 return withBoard(board, [&](Board &b) {
                   return bufferStatus(b, bufferNumber, zero, statusWord, statusBytes);
                 });
               });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC ADD_BUFFER_TO_LIST(void *board, int bufferNumber, int sizeBytes,
                                                     int zero4, int zero5) {
  return enter("ADD_BUFFER_TO_LIST", {arg(board), bufferNumber, sizeBytes, zero4, zero5}, [&] {
    return withBoard(board,
                     [&](Board &b) { return addBuffer(b, bufferNumber, sizeBytes, zero4, zero5); });
  });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC REMOVE_BUFFER_FROM_LIST(void *board, int bufferNumber) {
  return enter("REMOVE_BUFFER_FROM_LIST", {arg(board), bufferNumber}, [&] {
    return withBoard(board, [&](Board &b) { return removeBuffer(b, bufferNumber); });
  });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC SETBUFFER_EVENT(void *board, int bufferNumber, void **event) {
  return enter("SETBUFFER_EVENT", {arg(board), bufferNumber, arg(event)}, [&] {
    return withBoard(board, [&](Board &b) { return setBufferEvent(b, bufferNumber, event); });
  });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC MAP_BUFFER(void *board, int bufferNumber, int sizeBytes, int zero,
                                             void **address) {
  return enter("MAP_BUFFER", {arg(board), bufferNumber, sizeBytes, zero, arg(address)},
               [&] {
                 return withBoard(board, [&](Board &b) {
                   return mapBuffer(b, bufferNumber, sizeBytes, zero, address);
                 });
               });
}

QV_VENDOR_EXPORT int QV_VENDOR_CC UNMAP_BUFFER(void *board, int bufferNumber) {
  return enter("UNMAP_BUFFER", {arg(board), bufferNumber}, [&] {
    return withBoard(board, [&](Board &b) {
      Buffer *buffer = findBuffer(b, bufferNumber);
      if (buffer == nullptr) return kBadBuffer;
      buffer->mapped = false;
      return kOk;
    });
  });
}

}  // extern "C"

// Every entry point has exactly the type the library resolves it as.
#define QVSIM_CHECK_TYPE(name) \
  static_assert(std::is_same_v<decltype(&name), name##_fn>, #name " does not match vendor/driver.h");
QV_DRIVER_ENTRY_POINTS(QVSIM_CHECK_TYPE)
#undef QVSIM_CHECK_TYPE
