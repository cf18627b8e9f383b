#include "transport/load_video.h"

// Placeholder until the transport work lands.
void loadVideo(AVPlayerViewAcceptsDrop*, const QUrl&) {}
void loadVideo(AVPlayerViewAcceptsDrop*, const QString&) {}
void showLoadTime() {}
