// The library's marker export.
#include "ZELRTCItfMarker.h"

int NORDHAVEN_WORKS_PRX2_INTERNAL_ZELRTCItf() { return 1; }
