#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// One key press as the recorder sees it: the physical key in the virtual key
// numbering of the key-name table, the four modifiers, and the characters the
// key produces with no modifier applied but Shift (absent when the platform
// gives none).
struct KeyEvent {
    std::uint16_t keyCode = 0;
    bool control = false;
    bool shift = false;
    bool option = false;
    bool command = false;
    std::optional<QString> characters;
    // When the key went down, in monotonic seconds; 0: unknown (now).
    double pressedAt = 0.0;
};

// Key codes of the keys that drive the transport.
inline constexpr std::uint16_t kKeySpace = 49;
inline constexpr std::uint16_t kKeyLeftArrow = 123;
inline constexpr std::uint16_t kKeyRightArrow = 124;
