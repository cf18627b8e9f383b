#include "storage/checkpoint.h"

// Placeholder until the storage work lands.
void checkpointFile() {}
