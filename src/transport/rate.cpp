#include "transport/rate.h"

// Placeholder until the transport work lands.
void setRate(float) {}
float floatValue(const QString&) { return 0.0f; }
