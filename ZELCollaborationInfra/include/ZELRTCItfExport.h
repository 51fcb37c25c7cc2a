// Export macro of the ZELRTCItf library.
#pragma once

// Default visibility on both sides: users built with hidden visibility still
// reach the library's exported data (the trace state read by the scopes'
// inline fast paths) through the dynamic linker.
#define ZELRTCITF_API __attribute__((visibility("default")))

// For the factory functions, exported under their plain names.
#define ZELRTCITF_C_API extern "C" ZELRTCITF_API
