// The ten native methods of the Java class Quorvane_ (default package). Their
// declarations come from the header javac generates from java/Quorvane_.java, so the
// compiler checks each name and descriptor against the Java side. The methods never use
// their second argument, so Java may declare them static or not.
#pragma once

#include <jni.h>

#include "Quorvane_.h"
