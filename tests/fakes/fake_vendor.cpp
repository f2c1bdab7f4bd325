#include "fakes/fake_vendor.h"

#include <algorithm>
#include <cstring>

#include "camera/state.h"
#include "vendor/entry_points.h"

namespace fake {

Vendor vendor;

namespace {

char tableStorage[3][64];
int boardStorage;

long long asArg(const void *p) { return static_cast<long long>(reinterpret_cast<std::intptr_t>(p)); }

// Records the call and gives the status it is to return.
int enter(const char *name, std::vector<long long> args, std::vector<double> reals = {}) {
  vendor.calls.push_back({name, std::move(args), std::move(reals)});
  auto next = vendor.nextResults.find(name);
  if (next != vendor.nextResults.end() && !next->second.empty()) {
    const int status = next->second.front();
    next->second.pop_front();
    return status;
  }
  auto fail = vendor.failWith.find(name);
  return fail != vendor.failWith.end() ? fail->second : 0;
}

extern "C" {
int QV_VENDOR_CC INITBOARD(int number, void **board) {
  const int s = enter("INITBOARD", {number, asArg(board)});
  if (s == 0) *board = &boardStorage;
  return s;
}
int QV_VENDOR_CC CLOSEBOARD(void **board) {
  const int s = enter("CLOSEBOARD", {asArg(*board)});
  if (s == 0) *board = nullptr;
  return s;
}
int QV_VENDOR_CC GETBOARDVAL(void *board, int item, int *value) {
  const int s = enter("GETBOARDVAL", {asArg(board), item});
  if (s == 0) *value = vendor.boardValue;
  return s;
}
int QV_VENDOR_CC GETSIZES(void *board, int *fw, int *fh, int *w, int *h, int *bits) {
  const int s = enter("GETSIZES", {asArg(board)});
  if (s == 0) {
    *fw = vendor.fullWidth;
    *fh = vendor.fullHeight;
    *w = vendor.imageWidth;
    *h = vendor.imageHeight;
    *bits = 12;
  }
  return s;
}
int QV_VENDOR_CC SETMODE(void *board, int a, int b, int c, int d, int e, int f, int g, int h, int i) {
  return enter("SETMODE", {asArg(board), a, b, c, d, e, f, g, h, i});
}
int QV_VENDOR_CC START_CAMERA(void *board) { return enter("START_CAMERA", {asArg(board)}); }
int QV_VENDOR_CC STOP_CAMERA(void *board) { return enter("STOP_CAMERA", {asArg(board)}); }
int QV_VENDOR_CC TRIGGER_CAMERA(void *board) { return enter("TRIGGER_CAMERA", {asArg(board)}); }
int QV_VENDOR_CC ALLOCATE_BUFFER(void *board, int *number, int *size) {
  const int s = enter("ALLOCATE_BUFFER", {asArg(board), *number, *size});
  if (s == 0) {
    *number = 3;
    if (vendor.allocatedSize >= 0) *size = vendor.allocatedSize;
    vendor.buffer.assign(static_cast<std::size_t>(*size) / 2, 0);
  }
  return s;
}
int QV_VENDOR_CC FREE_BUFFER(void *board, int number) { return enter("FREE_BUFFER", {asArg(board), number}); }
int QV_VENDOR_CC GETBUFFER_STATUS(void *board, int number, int zero, int *word, int bytes) {
  const int s = enter("GETBUFFER_STATUS", {asArg(board), number, zero, bytes});
  if (s == 0) {
    if (!vendor.statusWords.empty()) {
      vendor.lastWord = vendor.statusWords.front();
      vendor.statusWords.pop_front();
    }
    *word = vendor.lastWord;
  }
  return s;
}
int QV_VENDOR_CC ADD_BUFFER_TO_LIST(void *board, int number, int size, int a, int b) {
  return enter("ADD_BUFFER_TO_LIST", {asArg(board), number, size, a, b});
}
int QV_VENDOR_CC REMOVE_BUFFER_FROM_LIST(void *board, int number) {
  return enter("REMOVE_BUFFER_FROM_LIST", {asArg(board), number});
}
int QV_VENDOR_CC SETBUFFER_EVENT(void *board, int number, void **event) {
  const int s = enter("SETBUFFER_EVENT", {asArg(board), number});
  if (s == 0) *event = vendor.event;
  return s;
}
int QV_VENDOR_CC MAP_BUFFER(void *board, int number, int size, int zero, void **address) {
  const int s = enter("MAP_BUFFER", {asArg(board), number, size, zero});
  if (s == 0) *address = vendor.buffer.data();
  return s;
}
int QV_VENDOR_CC UNMAP_BUFFER(void *board, int number) { return enter("UNMAP_BUFFER", {asArg(board), number}); }

void *create(const char *name, void *handle, int bits, int low, int high, int kind) {
  return enter(name, {bits, low, high, kind}) == 0 ? handle : nullptr;
}
void *QV_VENDOR_CC CREATE_BWLUT_EX(int a, int b, int c, int d) {
  return create("CREATE_BWLUT_EX", bwHandle(), a, b, c, d);
}
void *QV_VENDOR_CC CREATE_PSEUDOLUT_EX(int a, int b, int c, int d) {
  return create("CREATE_PSEUDOLUT_EX", pseudoHandle(), a, b, c, d);
}
void *QV_VENDOR_CC CREATE_COLORLUT_EX(int a, int b, int c, int d) {
  return create("CREATE_COLORLUT_EX", colorHandle(), a, b, c, d);
}
int QV_VENDOR_CC DELETE_BWLUT_EX(void *t) { return enter("DELETE_BWLUT_EX", {asArg(t)}); }
int QV_VENDOR_CC DELETE_PSEUDOLUT_EX(void *t) { return enter("DELETE_PSEUDOLUT_EX", {asArg(t)}); }
int QV_VENDOR_CC DELETE_COLORLUT_EX(void *t) { return enter("DELETE_COLORLUT_EX", {asArg(t)}); }
int QV_VENDOR_CC CONVERT_SET_EX(void *t, int low, int high, int kind, double gamma) {
  return enter("CONVERT_SET_EX", {asArg(t), low, high, kind}, {gamma});
}
int QV_VENDOR_CC CONVERT_SET_COL_EX(void *t, int rl, int gl, int bl, int rh, int gh, int bh, int kind,
                       double gamma, double saturation) {
  return enter("CONVERT_SET_COL_EX", {asArg(t), rl, gl, bl, rh, gh, bh, kind},
               {gamma, saturation});
}
int convert(const char *name, int mode, int w, int h, const void *frame, void *pixels, void *t,
            std::size_t pixelBytes) {
  const int s = enter(name, {mode, w, h, asArg(frame), asArg(pixels), asArg(t)});
  if (s == 0 && t != nullptr)
    std::memset(pixels, vendor.convertedValue, static_cast<std::size_t>(w) * h * pixelBytes);
  return s != 0 ? s : (t == nullptr ? 9 : 0);
}
int QV_VENDOR_CC CONV_BUF_12TO8_EX(int m, int w, int h, const void *f, void *p, void *t) {
  return convert("CONV_BUF_12TO8_EX", m, w, h, f, p, t, 1);
}
int QV_VENDOR_CC CONV_BUF_12TOCOL_EX(int m, int w, int h, const void *f, void *p, void *t) {
  return convert("CONV_BUF_12TOCOL_EX", m, w, h, f, p, t, 4);
}
int QV_VENDOR_CC CONV_BUF_12TOPSEUDO_EX(int m, int w, int h, const void *f, void *p, void *t) {
  return convert("CONV_BUF_12TOPSEUDO_EX", m, w, h, f, p, t, 4);
}
int QV_VENDOR_CC AUTOBALANCE(int mode, int w, int h, const void *words, void *t, int a, int b, int c, int d,
                int *r, int *g, int *bl) {
  const int s = enter("AUTOBALANCE", {mode, w, h, asArg(words), asArg(t), a, b, c, d});
  const auto *first = static_cast<const std::uint16_t *>(words);
  vendor.balanceWords.assign(first, first + static_cast<std::size_t>(w) * h);
  if (s == 0) {
    *r = vendor.balanceSlots[0];
    *g = vendor.balanceSlots[1];
    *bl = vendor.balanceSlots[2];
  }
  return s;
}
}  // extern "C"

qv::GenericProc lookup(void *, const char *name) {
#define QV_FAKE(entry) \
  if (std::strcmp(name, #entry) == 0) return reinterpret_cast<qv::GenericProc>(&entry);
  QV_DRIVER_ENTRY_POINTS(QV_FAKE)
  QV_CONVERSION_ENTRY_POINTS(QV_FAKE)
#undef QV_FAKE
  return nullptr;
}

}  // namespace

void *colorHandle() { return tableStorage[0]; }
void *bwHandle() { return tableStorage[1]; }
void *pseudoHandle() { return tableStorage[2]; }

std::vector<std::string> Vendor::names() const {
  std::vector<std::string> result;
  for (const Call &call : calls) result.push_back(call.name);
  return result;
}

int Vendor::count(const std::string &name) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                        [&](const Call &c) { return c.name == name; }));
}

const Call *Vendor::last(const std::string &name) const {
  for (auto it = calls.rbegin(); it != calls.rend(); ++it)
    if (it->name == name) return &*it;
  return nullptr;
}

void installDriverOnly() {
  qv::resetState();
  vendor = Vendor{};
  qv::resolveDriver(qv::driver, lookup, nullptr);
}

void install() {
  installDriverOnly();
  qv::resolveConversion(qv::conversion, lookup, nullptr);
}

}  // namespace fake
