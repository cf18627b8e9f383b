#pragma once

#include <QImage>

struct mpv_handle;

// The frame the engine shows now, as decoded (no scaling), taken with a
// synchronous "screenshot-raw": it waits for the engine, so it is for tests
// and measurements, not for the interface. Null when there is no frame, no
// engine or the engine hands out a format other than "bgr0".
//
// Thread rules: any thread that may use the handle.
QImage grabMpvFrame(mpv_handle* handle);
