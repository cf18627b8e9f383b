#pragma once

#include "support/app_home.h"
#include "support/test_helpers.h"

#include <sys/resource.h>

class FakePlayer;
class QLabel;
class QMainWindow;
class QPlainTextEdit;
class AVPlayerViewAcceptsDrop;

// A fresh session record whose widgets are owned by a main window, with a
// scripted player in the player view.
class SessionWidgets {
public:
    SessionWidgets();
    ~SessionWidgets();
    QMainWindow* window;
    QPlainTextEdit* script;
    QLabel* status;
    AVPlayerViewAcceptsDrop* playerView;
    FakePlayer* player;
    // Gives the player an item that is ready to play, named "lecture3".
    void loadItem();
};

// Lets this process write files of at most `bytes` bytes, as a full disk
// would (writes beyond fail with EFBIG instead of raising SIGXFSZ).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};
