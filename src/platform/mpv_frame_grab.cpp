#include "platform/mpv_frame_grab.h"

#include <mpv/client.h>

#include <cstdint>
#include <cstring>

QImage grabMpvFrame(mpv_handle* handle) {
    if (!handle)
        return QImage();
    const char* args[] = {"screenshot-raw", "video", nullptr};
    mpv_node result;
    if (mpv_command_ret(handle, args, &result) < 0)
        return QImage();
    QImage image;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        std::int64_t w = 0, h = 0, stride = 0;
        const char* format = "";
        const mpv_byte_array* data = nullptr;
        const mpv_node_list* list = result.u.list;
        for (int i = 0; i < list->num; ++i) {
            const mpv_node& v = list->values[i];
            const char* key = list->keys[i];
            if (!std::strcmp(key, "w") && v.format == MPV_FORMAT_INT64)
                w = v.u.int64;
            else if (!std::strcmp(key, "h") && v.format == MPV_FORMAT_INT64)
                h = v.u.int64;
            else if (!std::strcmp(key, "stride") && v.format == MPV_FORMAT_INT64)
                stride = v.u.int64;
            else if (!std::strcmp(key, "format") && v.format == MPV_FORMAT_STRING)
                format = v.u.string;
            else if (!std::strcmp(key, "data") && v.format == MPV_FORMAT_BYTE_ARRAY)
                data = v.u.ba;
        }
        // "bgr0": blue, green, red, padding in memory, as Qt's RGB32.
        if (data && w > 0 && h > 0 && stride >= w * 4 && std::int64_t(data->size) >= stride * h &&
            !std::strcmp(format, "bgr0")) {
            image = QImage(static_cast<const uchar*>(data->data), int(w), int(h), int(stride),
                           QImage::Format_RGB32)
                        .copy();
            // The padding byte is undefined; Qt wants it opaque.
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    line[x] |= 0xff000000u;
            }
        }
    }
    mpv_free_node_contents(&result);
    return image;
}
