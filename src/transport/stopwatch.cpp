#include "transport/stopwatch.h"

// Placeholder until the transport work lands.
void stopwatchMode() {}
