#include "platform/xkb_keymap.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <string>

namespace {

// The spacing form of the common dead accents; a dead key types nothing by
// itself, but it still names a character the observer can read.
char32_t spacingAccent(xkb_keysym_t sym) {
    switch (sym) {
    case XKB_KEY_dead_grave:
        return U'`';
    case XKB_KEY_dead_acute:
        return U'\u00B4';
    case XKB_KEY_dead_circumflex:
        return U'^';
    case XKB_KEY_dead_tilde:
        return U'~';
    case XKB_KEY_dead_macron:
        return U'\u00AF';
    case XKB_KEY_dead_diaeresis:
        return U'\u00A8';
    case XKB_KEY_dead_abovering:
        return U'\u02DA';
    case XKB_KEY_dead_cedilla:
        return U'\u00B8';
    default:
        return 0;
    }
}

struct StateDeleter {
    void operator()(xkb_state* s) const { xkb_state_unref(s); }
};

} // namespace

XkbLayout::XkbLayout(xkb_context* context, xkb_keymap* keymap)
    : context_(context), keymap_(keymap) {}

XkbLayout::~XkbLayout() {
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

std::unique_ptr<XkbLayout> XkbLayout::fromNames(const QString& layout, const QString& variant) {
    // Names only, so that XKB_DEFAULT_* in the environment change nothing.
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (!context)
        return nullptr;
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
    const QByteArray layoutName = layout.toUtf8();
    const QByteArray variantName = variant.toUtf8();
    const xkb_rule_names names{"evdev", "pc105", layoutName.constData(),
                               variant.isEmpty() ? nullptr : variantName.constData(), nullptr};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        xkb_context_unref(context);
        return nullptr;
    }
    return std::make_unique<XkbLayout>(context, keymap);
}

QString XkbLayout::shiftOnlyText(int evdev, bool shift, unsigned group) const {
    // X and Wayland key codes are evdev codes plus 8.
    if (evdev < 0 || evdev > 0xffff)
        return {};
    const xkb_keycode_t key = xkb_keycode_t(evdev) + 8;
    if (key < xkb_keymap_min_keycode(keymap_) || key > xkb_keymap_max_keycode(keymap_))
        return {};

    std::unique_ptr<xkb_state, StateDeleter> state(xkb_state_new(keymap_));
    if (!state)
        return {};
    xkb_mod_mask_t mods = 0;
    const xkb_mod_index_t shiftIndex = xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_SHIFT);
    if (shift && shiftIndex != XKB_MOD_INVALID)
        mods = xkb_mod_mask_t(1) << shiftIndex;
    xkb_state_update_mask(state.get(), mods, 0, 0, 0, 0, group);

    if (char32_t accent = spacingAccent(xkb_state_key_get_one_sym(state.get(), key)))
        return QString::fromUcs4(&accent, 1);

    char buffer[64];
    const int size = xkb_state_key_get_utf8(state.get(), key, buffer, sizeof buffer);
    if (size <= 0)
        return {};
    if (std::size_t(size) < sizeof buffer)
        return QString::fromUtf8(buffer, size);
    std::string large(std::size_t(size) + 1, '\0');
    xkb_state_key_get_utf8(state.get(), key, large.data(), large.size());
    return QString::fromUtf8(large.data(), size);
}

namespace {

// XKB event subtypes (xkbType, the second byte of an XKB event) that mean
// the keymap changed; the values of XCB_XKB_NEW_KEYBOARD_NOTIFY and
// XCB_XKB_MAP_NOTIFY.
constexpr std::uint8_t kXkbNewKeyboardNotify = 0;
constexpr std::uint8_t kXkbMapNotify = 1;

// The live layout of one X connection. It watches the connection's events
// (Qt has already asked the server for the XKB keymap notifications) and
// marks the layout stale when the server announces a new keymap.
class LiveLayout final : public QAbstractNativeEventFilter {
public:
    explicit LiveLayout(xcb_connection_t* connection) : connection_(connection) {
        std::uint8_t eventBase = 0;
        available_ = xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                                 XKB_X11_MIN_MINOR_XKB_VERSION,
                                                 XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr,
                                                 nullptr, &eventBase, nullptr) == 1;
        xkbEventBase_ = eventBase;
    }

    xcb_connection_t* connection() const { return connection_; }

    const XkbLayout* layout() {
        if (!available_)
            return nullptr;
        if (stale_)
            rebuild();
        return layout_.get();
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (!message || type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const std::uint8_t kind = event->response_type & 0x7f;
        if (kind == XCB_MAPPING_NOTIFY)
            stale_ = true;
        else if (available_ && kind == xkbEventBase_ &&
                 (event->pad0 == kXkbNewKeyboardNotify || event->pad0 == kXkbMapNotify))
            stale_ = true;
        return false;
    }

private:
    void rebuild() {
        stale_ = false;
        layout_.reset();
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (!context)
            return;
        xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
        const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection_);
        xkb_keymap* keymap = device == -1
                                 ? nullptr
                                 : xkb_x11_keymap_new_from_device(context, connection_, device,
                                                                  XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (!keymap) {
            xkb_context_unref(context);
            return;
        }
        layout_ = std::make_unique<XkbLayout>(context, keymap);
    }

    xcb_connection_t* connection_;
    bool available_ = false;
    bool stale_ = true;
    std::uint8_t xkbEventBase_ = 0;
    std::unique_ptr<XkbLayout> layout_;
};

std::unique_ptr<LiveLayout>& liveHolder() {
    static std::unique_ptr<LiveLayout> live;
    return live;
}

void dropLiveLayout() {
    liveHolder().reset();
}

} // namespace

const XkbLayout* liveX11Layout() {
    auto* app = qGuiApp;
    if (!app)
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return nullptr;
    std::unique_ptr<LiveLayout>& live = liveHolder();
    if (!live || live->connection() != connection) {
        if (!live)
            qAddPostRoutine(dropLiveLayout);
        live = std::make_unique<LiveLayout>(connection);
        app->installNativeEventFilter(live.get());
    }
    return live->layout();
}
