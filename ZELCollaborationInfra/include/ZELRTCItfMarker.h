// The library's marker export: a loader that finds this symbol under its plain
// name knows it has this interface library. It does nothing and returns 1.
#pragma once

#include "ZELRTCItfExport.h"

ZELRTCITF_C_API int NORDHAVEN_WORKS_PRX2_INTERNAL_ZELRTCItf();
