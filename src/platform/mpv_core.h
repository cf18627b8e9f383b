#pragma once

#include <memory>

struct mpv_handle;

// One libmpv engine, started with the program's safe settings: no
// configuration files, scripts, on-screen controller, key bindings or
// network helpers; local files only, also inside playlists and references;
// keep-open at the end; exact seeks; pitch-corrected audio at any speed.
//
// The player and its video widget share the engine: it goes (with
// mpv_terminate_destroy) when the last of them lets it go, and a widget frees
// its render context before that. The video output is "null" (decode, seek
// and clock without a picture) until a render context is attached.
//
// Thread rules: created, attached, detached and destroyed on the
// user-interface thread.
class MpvCore {
public:
    enum class Audio { Device, None };

    // Nullptr when libmpv cannot start. Sets LC_NUMERIC to "C", which libmpv
    // requires.
    static std::shared_ptr<MpvCore> create(Audio audio = Audio::Device);
    ~MpvCore();
    MpvCore(const MpvCore&) = delete;
    MpvCore& operator=(const MpvCore&) = delete;

    mpv_handle* handle() const { return handle_; }

    // A render context now exists for this engine: video goes to it.
    void attachRenderer();
    // The render context is about to be freed: video goes back to the null
    // output first, so that the engine keeps its video track. Blocks until
    // the engine has switched.
    void detachRenderer();
    // One render context at a time: claim before creating it, release after
    // freeing it. claimRenderer() is false while another holds it.
    bool claimRenderer();
    void releaseRenderer();

private:
    explicit MpvCore(mpv_handle* handle) : handle_(handle) {}
    mpv_handle* handle_ = nullptr;
    bool rendererClaimed_ = false;
};
