// The JNI glue: obtain and release Java arrays, call the camera and table procedures,
// build result arrays. No Java exception is ever raised here.
#include "jni/exports.h"

#include <cstdint>

#include "camera/camera.h"
#include "jni/scoped_array.h"
#include "tables/tables.h"

using qv::jni::ScopedByteArray;
using qv::jni::ScopedIntArray;
using qv::jni::ScopedShortArray;

static_assert(sizeof(jint) == sizeof(std::int32_t) && sizeof(jshort) == sizeof(std::int16_t) &&
              sizeof(jbyte) == sizeof(std::int8_t));

/*
 * Class:      Quorvane_
 * Method:     InitCamera
 * Descriptor: ()[I
 * Brings the camera up; returns {status, fullWidth, fullHeight, isColor}.
 */
JNIEXPORT jintArray JNICALL Java_Quorvane_1_InitCamera(JNIEnv *env, jclass) {
  const std::array<int, 4> result = qv::initCamera();
  return qv::jni::newIntArray(env, result.data(), 4);
}

/*
 * Class:      Quorvane_
 * Method:     ReleaseCamera
 * Descriptor: ()I
 * Releases everything bring-up and the tables acquired; returns CLOSEBOARD's status.
 */
JNIEXPORT jint JNICALL Java_Quorvane_1_ReleaseCamera(JNIEnv *, jclass) {
  return qv::releaseCamera();
}

/*
 * Class:      Quorvane_
 * Method:     SetUpCamera
 * Descriptor: ([I)I
 * Applies the 14 settings, ranges the tables and starts the camera.
 */
JNIEXPORT jint JNICALL Java_Quorvane_1_SetUpCamera(JNIEnv *env, jclass, jintArray settings) {
  ScopedIntArray elements(env, settings);
  return qv::setUpCamera(elements.data(), elements.size());
}

/*
 * Class:      Quorvane_
 * Method:     RunCOCAsVIDEO
 * Descriptor: ()I
 * One software trigger in triggered mode; nothing in video mode.
 */
JNIEXPORT jint JNICALL Java_Quorvane_1_RunCOCAsVIDEO(JNIEnv *, jclass) {
  return qv::runCocAsVideo();
}

/*
 * Class:      Quorvane_
 * Method:     StopCOC
 * Descriptor: ()I
 * Stops the camera; returns STOP_CAMERA's status.
 */
JNIEXPORT jint JNICALL Java_Quorvane_1_StopCOC(JNIEnv *, jclass) { return qv::stopCoc(); }

/*
 * Class:      Quorvane_
 * Method:     Acquire
 * Descriptor: ([S)I
 * Takes one frame into the array as raw words; 0 or -54.
 */
JNIEXPORT jint JNICALL Java_Quorvane_1_Acquire(JNIEnv *env, jclass, jshortArray frame) {
  ScopedShortArray elements(env, frame);
  return qv::acquireRaw(elements.data(), elements.size());
}

/*
 * Class:      Quorvane_
 * Method:     Acquire8
 * Descriptor: ([B)I
 * Takes one frame into the array as 8-bit grey; 0 or -54.
 */
JNIEXPORT jint JNICALL Java_Quorvane_1_Acquire8(JNIEnv *env, jclass, jbyteArray frame) {
  ScopedByteArray elements(env, frame);
  return qv::acquire8(elements.data(), elements.size());
}

/*
 * Class:      Quorvane_
 * Method:     AcquireRGB
 * Descriptor: ([I)I
 * Takes one frame into the array as colour or pseudo-colour pixels; 0 or -54.
 */
JNIEXPORT jint JNICALL Java_Quorvane_1_AcquireRGB(JNIEnv *env, jclass, jintArray frame) {
  ScopedIntArray elements(env, frame);
  return qv::acquireRgb(elements.data(), elements.size());
}

/*
 * Class:      Quorvane_
 * Method:     WhiteBalance
 * Descriptor: ([I)[I
 * Colour factors from a region of the last frame; returns {red, green, blue, status}.
 */
JNIEXPORT jintArray JNICALL Java_Quorvane_1_WhiteBalance(JNIEnv *env, jclass, jintArray region) {
  std::array<int, 4> result;
  {
    // Released before the result is made, so Java sees the rounded width and height.
    ScopedIntArray elements(env, region);
    result = qv::whiteBalance(elements.data(), elements.size());
  }
  return qv::jni::newIntArray(env, result.data(), 4);
}

/*
 * Class:      Quorvane_
 * Method:     AutoMinMax
 * Descriptor: (I[I)[I
 * Display range from a histogram of a region of the last frame; returns {min, max}.
 */
JNIEXPORT jintArray JNICALL Java_Quorvane_1_AutoMinMax(JNIEnv *env, jclass, jint proportional,
                                                       jintArray region) {
  std::array<int, 2> result;
  {
    ScopedIntArray elements(env, region);
    result = qv::autoMinMax(proportional, elements.data(), elements.size());
  }
  return qv::jni::newIntArray(env, result.data(), 2);
}
