#include "transport/tape_counter.h"

// Placeholder until the transport work lands.
void tapeCounter() {}
void setMarkAtPlayhead() {}
