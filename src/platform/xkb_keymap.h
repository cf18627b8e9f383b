#pragma once

#include <QString>

#include <memory>

struct xkb_context;
struct xkb_keymap;

// A keyboard layout compiled by libxkbcommon, asked what a key types with
// Shift alone (or nothing) applied, as if no other modifier or lock were
// active. Thread rules: an instance may be used by one thread at a time.
class XkbLayout {
public:
    // Takes over the caller's reference to context and to keymap (both
    // non-null).
    XkbLayout(xkb_context* context, xkb_keymap* keymap);
    ~XkbLayout();
    XkbLayout(const XkbLayout&) = delete;
    XkbLayout& operator=(const XkbLayout&) = delete;

    // The layout named by XKB rule names (rules "evdev", model "pc105"), for
    // example ("de", "") or ("fr", "bepo"); null when it does not compile.
    static std::unique_ptr<XkbLayout> fromNames(const QString& layout, const QString& variant);

    // The text of evdev key with only Shift (when shift) applied, in the
    // given group (layout index, wrapped as the keymap says). A dead key gives
    // its accent as a spacing character; a key without text gives "".
    QString shiftOnlyText(int evdev, bool shift, unsigned group) const;

private:
    xkb_context* context_;
    xkb_keymap* keymap_;
};

// The X server's current layout of the core keyboard when the application
// runs on X11 and the server speaks XKB; null otherwise. Built on first use
// and again after the server announces a new keymap; dropped when the
// application object is destroyed. User-interface thread only.
const XkbLayout* liveX11Layout();
