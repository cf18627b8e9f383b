#include "storage/transcript_file.h"

// Placeholder until the storage work lands.
bool saveAndClearScript() { return true; }
