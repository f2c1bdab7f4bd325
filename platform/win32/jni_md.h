// Machine-dependent JNI definitions for Windows builds (32-bit and 64-bit), used with
// the JDK's own jni.h when no Windows JDK is at hand. They follow the Windows JNI
// calling contract: exported JNI functions are DLL exports, and JNI calls use
// __stdcall (which the 64-bit compilers accept and ignore).
#pragma once

#if !defined(_WIN32)
#error "this jni_md.h is for Windows builds only"
#endif

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

// Java's int, long and byte: 32, 64 and 8 bits, signed.
typedef int jint;
typedef long long jlong;
typedef signed char jbyte;
