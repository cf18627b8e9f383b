#pragma once

// Writes the transcript with its header to its file in the storage folder
// (when it holds more than two characters) and clears it; a failed write
// raises the "Data Save" alert and keeps the transcript. Returns whether the
// transcript was written or had too little to write.
// User-interface thread only.
bool saveAndClearScript();
