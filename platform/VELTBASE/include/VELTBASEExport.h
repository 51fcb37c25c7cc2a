// Export macro of the VELTBASE base system library.
#pragma once

#if defined(VELTBASE_EXPORTS)
#define VELTBASE_API __attribute__((visibility("default")))
#else
#define VELTBASE_API
#endif
