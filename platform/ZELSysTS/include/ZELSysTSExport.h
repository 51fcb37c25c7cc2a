// Export macro of the ZELSysTS string and time library.
#pragma once

#if defined(ZELSysTS_EXPORTS)
#define ZELSYSTS_API __attribute__((visibility("default")))
#else
#define ZELSYSTS_API
#endif
