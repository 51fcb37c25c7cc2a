// Export macro of the ZELRTCItf library.
#pragma once

#if defined(ZELRTCItf_EXPORTS)
#define ZELRTCITF_API __attribute__((visibility("default")))
#else
#define ZELRTCITF_API
#endif

// For the factory functions, exported under their plain names.
#define ZELRTCITF_C_API extern "C" ZELRTCITF_API
