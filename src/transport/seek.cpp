#include "transport/seek.h"

// Placeholder until the transport work lands.
void seekToTime(double) {}
void seekToTime(const QString&) {}
