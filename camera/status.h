// Status codes the library itself produces. Every other non-zero status is a vendor
// call's own result, passed on unchanged.
#pragma once

namespace qv {

inline constexpr int kStatusOk = 0;
// A frame was not completed: every failing Acquire, Acquire8 and AcquireRGB.
inline constexpr int kStatusFrameIncomplete = -54;
// A vendor library failed to load, or a call needs one that is not loaded.
inline constexpr int kStatusNotLoaded = -56;
// The settings array is null or shorter than the 14 elements SetUpCamera needs.
inline constexpr int kStatusBadSettings = -57;
// A vendor library lacks a required entry point.
inline constexpr int kStatusMissingEntryPoint = 1;
// The white balance could not be computed (last element of the WhiteBalance result).
inline constexpr int kStatusWhiteBalanceFailed = static_cast<int>(0xA0123001u);

}  // namespace qv
