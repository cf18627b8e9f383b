#include "app/key_reference.h"

#include "platform/key_translation.h"
#include "session/key_event.h"
#include "session/key_names.h"
#include "session/key_recording.h"

#include <QList>
#include <QSet>

#include <algorithm>

#include <cstdint>

namespace {

struct NamedKey {
    std::uint16_t code;
    const char* key;
};

// The keys of the name table in the order a reader looks for them, with the
// key of a PC keyboard that sits at that position.
constexpr NamedKey kNamedKeys[] = {
    {36, "Enter"},
    {48, "Tab"},
    {51, "Backspace"},
    {53, "Esc"},
    {117, "Delete"},
    {114, "Insert"},
    {115, "Home"},
    {119, "End"},
    {116, "Page Up"},
    {121, "Page Down"},
    {126, "Up arrow"},
    {125, "Down arrow"},
    {122, "F1"},
    {120, "F2"},
    {99, "F3"},
    {118, "F4"},
    {96, "F5"},
    {97, "F6"},
    {98, "F7"},
    {100, "F8"},
    {101, "F9"},
    {109, "F10"},
    {103, "F11"},
    {111, "F12"},
    {105, "F13"},
    {107, "F14"},
    {113, "F15"},
    {106, "F16"},
    {64, "F17"},
    {79, "F18"},
    {80, "F19"},
    {90, "F20"},
    {18, "1"},
    {29, "0"},
    {27, "- (right of 0)"},
    {50, "` (left of 1)"},
    {39, "' (left of Enter)"},
    {43, ", (comma)"},
    {47, ". (full stop)"},
    {44, "/ (slash)"},
    {71, "Num Lock (keypad Clear)"},
    {75, "keypad /"},
    {67, "keypad *"},
    {78, "keypad -"},
    {69, "keypad +"},
    {81, "keypad = (where there is one)"},
    {76, "keypad Enter"},
    {83, "keypad 1"},
    {82, "keypad 0"},
    {65, "keypad . (Del)"},
};

// Typing keys of a US keyboard: evdev code, text alone, text with Shift.
struct TypingKey {
    int evdev;
    const char* plain;
    const char* shifted;
};

constexpr TypingKey kUsTypingKeys[] = {
    {41, "`", "~"},  {2, "1", "!"},  {3, "2", "@"},   {4, "3", "#"},  {5, "4", "$"},
    {6, "5", "%"},   {7, "6", "^"},  {8, "7", "&"},   {9, "8", "*"},  {10, "9", "("},
    {11, "0", ")"},  {12, "-", "_"}, {13, "=", "+"},  {26, "[", "{"}, {27, "]", "}"},
    {43, "\\", "|"}, {39, ";", ":"}, {40, "'", "\""}, {51, ",", "<"}, {52, ".", ">"},
    {53, "/", "?"},  {30, "a", "A"}, {44, "z", "Z"},
};

QString recordedName(std::uint16_t code, bool shift, const QString& characters) {
    KeyEvent e;
    e.keyCode = code;
    e.shift = shift;
    e.characters = characters;
    return modifierPrefix(e) + keyNameFor(e);
}

QString cell(const QString& text, bool code = false) {
    const QString escaped = text.toHtmlEscaped();
    return QStringLiteral("<td>") +
           (code ? QStringLiteral("<code>") + escaped + QStringLiteral("</code>") : escaped) +
           QStringLiteral("</td>");
}

QString namedKeysTable() {
    QString html = QStringLiteral("<table cellpadding='3' cellspacing='0' border='1'>"
                                  "<tr><th>Key</th><th>Records</th></tr>");
    // The transport keys never record their table names; they have their own table.
    QSet<std::uint16_t> listed{kKeySpace, kKeyLeftArrow, kKeyRightArrow};
    for (const NamedKey& k : kNamedKeys) {
        if (auto name = keyName(k.code)) {
            html += QStringLiteral("<tr>") + cell(QString::fromUtf8(k.key)) + cell(*name, true) +
                    QStringLiteral("</tr>");
            listed.insert(k.code);
        }
    }
    // Anything the table names that the list above does not know.
    QList<std::uint16_t> rest;
    for (auto it = mapKeyCodeToName().cbegin(); it != mapKeyCodeToName().cend(); ++it) {
        if (!listed.contains(it.key()))
            rest.append(it.key());
    }
    std::sort(rest.begin(), rest.end());
    for (std::uint16_t code : rest)
        html += QStringLiteral("<tr>") + cell(QStringLiteral("key number %1").arg(code)) +
                cell(*keyName(code), true) + QStringLiteral("</tr>");
    return html + QStringLiteral("</table>");
}

QString typingKeysTable() {
    QString html = QStringLiteral("<table cellpadding='3' cellspacing='0' border='1'>"
                                  "<tr><th>Key</th><th>Alone</th><th>With Shift</th></tr>");
    for (const TypingKey& k : kUsTypingKeys) {
        const std::uint16_t code = keyCodeForEvdev(k.evdev);
        const QString plain = QString::fromUtf8(k.plain);
        const QString shifted = QString::fromUtf8(k.shifted);
        html += QStringLiteral("<tr>") + cell(plain + QStringLiteral("  ") + shifted) +
                cell(recordedName(code, false, plain), true) +
                cell(recordedName(code, true, shifted), true) + QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

} // namespace

QString keyReferenceHtml() {
    QString html = QStringLiteral(
        "<html><head><title>Key names</title></head><body>"
        "<h2>The names that keys record</h2>"
        "<p>Every key you press in the video or in the key-entry area becomes one line of the "
        "transcript: the video time, the clock time and the key's name. Modifiers held with "
        "the key come first, always in this order: <code>ctrl-</code> (Ctrl), "
        "<code>shift-</code> (Shift), <code>option-</code> (Alt or AltGr), <code>cmd-</code> "
        "(Super, the Windows key). Ctrl+Alt+A records <code>ctrl-option-a</code>. Pressing a "
        "modifier alone records nothing.</p>"
        "<p>A key is named by where it sits on the keyboard, so a transcript reads the same "
        "whatever the keyboard layout. Menu shortcuts (Ctrl+O, Ctrl+S, Ctrl+P, Ctrl+G, "
        "Ctrl+Q) work the menu and are not recorded.</p>"
        "<h3>Keys that drive the video</h3>"
        "<table cellpadding='3' cellspacing='0' border='1'>"
        "<tr><th>Key</th><th>While stopped</th><th>While playing</th></tr>"
        "<tr><td>Space bar</td><td>plays at the chosen rate, records "
        "<code>play_x_1.00</code> (with the rate)</td><td>stops, records <code>stop</code></td>"
        "</tr>"
        "<tr><td>Left and right arrows</td><td>step one frame back or ahead, record "
        "nothing</td><td>stop, record <code>stop</code></td></tr>"
        "</table>"
        "<p>Choosing a rate records <code>rate_set_to_</code> with the rate, for example "
        "<code>rate_set_to_0.50</code>.</p>"
        "<h3>Going back to a line</h3>"
        "<p>Double-click a time-stamped line of the transcript, or press Ctrl+Return with the "
        "cursor in it, to go to that line's time: the video stops there, as after Go to, and "
        "the keys are recorded again. A line you typed yourself goes to the time written at "
        "its start.</p>"
        "<h3>Correcting a reopened transcript</h3>"
        "<p>With the transcript clicked (keys typed there are not recorded): Ctrl+Shift+K "
        "deletes the selected lines, Ctrl+T sets the line to the video's current time, "
        "Ctrl+Z and Ctrl+Shift+Z undo and redo. Keys recorded in a reopened session go in "
        "by time. File &gt; Open Transcript&hellip; reopens a saved transcript with its "
        "video.</p>"
        "<h3>Keys with fixed names</h3>");
    html += namedKeysTable();
    html += QStringLiteral(
        "<h3>Letters, digits and signs</h3>"
        "<p>Other keys record the character they type with Shift alone applied: "
        "<code>a</code>, with Shift <code>shift-A</code>, with Ctrl <code>ctrl-a</code>. Signs "
        "that come before the digit 2 in Unicode (such as ! # $ % &amp; ( ) * + , - . /) and "
        "characters beyond Latin are recorded as <code>code</code> and the key's number "
        "instead. On a US keyboard:</p>");
    html += typingKeysTable();
    html += QStringLiteral("<p>The keypad digits record their digit whatever Num Lock says "
                           "(keypad 5 records <code>5</code>).</p></body></html>");
    return html;
}
