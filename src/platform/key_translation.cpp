#include "platform/key_translation.h"

#include <QKeyEvent>

// Placeholder until the key-translation work lands.
std::optional<std::uint16_t> tableKeyCodeForEvdev(int) { return std::nullopt; }
std::uint16_t keyCodeForEvdev(int evdev) { return std::uint16_t(kOwnKeyCodeBase + evdev); }
bool isModifierOnlyKey(const QKeyEvent&) { return false; }
KeyEvent keyEventFromQt(const QKeyEvent& event) {
    KeyEvent e;
    e.keyCode = keyCodeForEvdev(int(event.nativeScanCode()) - 8);
    e.characters = event.text();
    return e;
}
QString shiftOnlyTextForLayout(int, bool, const QString&, const QString&) { return {}; }
