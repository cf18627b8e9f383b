#include "platform/mpv_core.h"

#include <mpv/client.h>

#include <clocale>
#include <cstring>

namespace {

struct Setting {
    const char* name;
    const char* value;
};

// Every file a user drops or opens goes through these.
constexpr Setting kSafeSettings[] = {
    // Nothing from the user's mpv configuration, scripts or key bindings.
    {"config", "no"},
    {"load-scripts", "no"},
    {"load-auto-profiles", "no"},
    {"load-stats-overlay", "no"},
    {"load-osd-console", "no"},
    {"osc", "no"},
    {"ytdl", "no"},
    {"input-default-bindings", "no"},
    {"input-builtin-bindings", "no"},
    {"input-vo-keyboard", "no"},
    {"input-terminal", "no"},
    {"input-media-keys", "no"},
    {"terminal", "no"},
    {"resume-playback", "no"},
    {"save-position-on-quit", "no"},
    // Local files only: no playlists, references or archives are followed,
    // no subtitle or audio files are picked up beside the video, and the
    // demuxers may open nothing but files.
    {"access-references", "no"},
    {"load-unsafe-playlists", "no"},
    {"autoload-files", "no"},
    {"demuxer-lavf-o", "protocol_whitelist=file"},
    {"stream-lavf-o", "protocol_whitelist=file"},
    // Playback semantics: a new file waits paused, the end pauses on the
    // last frame, seeks are exact, nothing is drawn over the picture.
    {"idle", "yes"},
    {"pause", "yes"},
    {"keep-open", "yes"},
    {"keep-open-pause", "yes"},
    {"hr-seek", "yes"},
    {"osd-level", "0"},
    {"osd-on-seek", "no"},
    {"osd-bar", "no"},
    // The picture is drawn on the user-interface thread: no waiting there.
    {"video-timing-offset", "0"},
    // No probing of hardware decoders and their driver libraries.
    {"gpu-hwdec-interop", "no"},
    {"vo", "null"},
    {"audio-pitch-correction", "yes"},
    {"audio-fallback-to-null", "yes"},
    {"audio-client-name", "keystamp"},
};

} // namespace

std::shared_ptr<MpvCore> MpvCore::create(Audio audio) {
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    if (!numeric || std::strcmp(numeric, "C") != 0)
        std::setlocale(LC_NUMERIC, "C");

    mpv_handle* handle = mpv_create();
    if (!handle)
        return nullptr;
    for (const Setting& s : kSafeSettings) {
        if (mpv_set_option_string(handle, s.name, s.value) < 0) {
            mpv_terminate_destroy(handle);
            return nullptr;
        }
    }
    if (audio == Audio::None)
        mpv_set_option_string(handle, "ao", "null");
    if (mpv_initialize(handle) < 0) {
        mpv_terminate_destroy(handle);
        return nullptr;
    }
    return std::shared_ptr<MpvCore>(new MpvCore(handle));
}

MpvCore::~MpvCore() {
    mpv_set_wakeup_callback(handle_, nullptr, nullptr);
    mpv_terminate_destroy(handle_);
}

void MpvCore::attachRenderer() {
    const char* output = "libmpv";
    mpv_set_property_async(handle_, 0, "vo", MPV_FORMAT_STRING, &output);
}

void MpvCore::detachRenderer() {
    const char* output = "null";
    mpv_set_property(handle_, "vo", MPV_FORMAT_STRING, &output);
}

bool MpvCore::claimRenderer() {
    if (rendererClaimed_)
        return false;
    rendererClaimed_ = true;
    return true;
}

void MpvCore::releaseRenderer() {
    rendererClaimed_ = false;
}
