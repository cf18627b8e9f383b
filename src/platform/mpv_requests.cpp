#include "platform/mpv_requests.h"

#include <QString>

#include <cstring>
#include <vector>

void observePlayerProperties(mpv_handle* handle) {
    if (!handle)
        return;
    mpv_observe_property(handle, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(handle, kPauseFlag, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(handle, kEofReached, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(handle, kDisplayWidth, "dwidth", MPV_FORMAT_INT64);
    mpv_observe_property(handle, kDisplayHeight, "dheight", MPV_FORMAT_INT64);
    mpv_observe_property(handle, kContainerFps, "container-fps", MPV_FORMAT_DOUBLE);
    mpv_observe_property(handle, kDuration, "duration", MPV_FORMAT_DOUBLE);
}

void sendCommand(mpv_handle* handle, std::initializer_list<const char*> args,
                 std::uint64_t userdata) {
    if (!handle)
        return;
    std::vector<const char*> argv(args);
    argv.push_back(nullptr);
    mpv_command_async(handle, userdata, argv.data());
}

void setFlagAsync(mpv_handle* handle, const char* name, bool value, std::uint64_t userdata) {
    int flag = value ? 1 : 0;
    if (handle)
        mpv_set_property_async(handle, userdata, name, MPV_FORMAT_FLAG, &flag);
}

void setDoubleAsync(mpv_handle* handle, const char* name, double value, std::uint64_t userdata) {
    if (handle)
        mpv_set_property_async(handle, userdata, name, MPV_FORMAT_DOUBLE, &value);
}

void getPropertyAsync(mpv_handle* handle, const char* name, mpv_format format,
                      std::uint64_t userdata) {
    if (handle)
        mpv_get_property_async(handle, userdata, name, format);
}

QByteArray secondsArgument(double seconds) {
    return QString::number(seconds, 'f', 6).toLatin1();
}

namespace {

const mpv_event_property* succeeded(const mpv_event& event, mpv_format format) {
    const auto* p = static_cast<const mpv_event_property*>(event.data);
    return event.error >= 0 && p && p->format == format ? p : nullptr;
}

} // namespace

std::optional<double> doubleValue(const mpv_event& event) {
    if (const mpv_event_property* p = succeeded(event, MPV_FORMAT_DOUBLE))
        return *static_cast<const double*>(p->data);
    return std::nullopt;
}

std::optional<std::int64_t> int64Value(const mpv_event& event) {
    if (const mpv_event_property* p = succeeded(event, MPV_FORMAT_INT64))
        return *static_cast<const std::int64_t*>(p->data);
    return std::nullopt;
}

std::optional<bool> flagValue(const mpv_event& event) {
    if (const mpv_event_property* p = succeeded(event, MPV_FORMAT_FLAG))
        return *static_cast<const int*>(p->data) != 0;
    return std::nullopt;
}

std::int64_t entryOf(const mpv_event& event) {
    if (event.event_id == MPV_EVENT_START_FILE)
        return static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id;
    return static_cast<const mpv_event_end_file*>(event.data)->playlist_entry_id;
}

bool endedInFailure(const mpv_event& event) {
    const auto* end = static_cast<const mpv_event_end_file*>(event.data);
    return end->reason == MPV_END_FILE_REASON_ERROR || end->reason == MPV_END_FILE_REASON_REDIRECT;
}

std::optional<std::int64_t> resultInt64(const mpv_event& event, const char* key) {
    const auto* reply = static_cast<const mpv_event_command*>(event.data);
    if (!reply || reply->result.format != MPV_FORMAT_NODE_MAP)
        return std::nullopt;
    std::optional<std::int64_t> found;
    const mpv_node_list* list = reply->result.u.list;
    for (int i = 0; i < list->num; ++i)
        if (!std::strcmp(list->keys[i], key) && list->values[i].format == MPV_FORMAT_INT64)
            found = list->values[i].u.int64;
    return found;
}
