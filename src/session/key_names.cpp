#include "session/key_names.h"

const QHash<std::uint16_t, QString>& mapKeyCodeToName() {
    static const QHash<std::uint16_t, QString> table{
        {36, QStringLiteral("Return")},      {48, QStringLiteral("Tab")},
        {49, QStringLiteral("Space")},       {51, QStringLiteral("Delete")},
        {53, QStringLiteral("Escape")},      {123, QStringLiteral("LeftArrow")},
        {124, QStringLiteral("RightArrow")}, {125, QStringLiteral("DownArrow")},
        {126, QStringLiteral("UpArrow")},    {115, QStringLiteral("Home")},
        {119, QStringLiteral("End")},        {116, QStringLiteral("PageUp")},
        {121, QStringLiteral("PageDown")},   {117, QStringLiteral("ForwardDelete")},
        {114, QStringLiteral("Help")},       {122, QStringLiteral("F1")},
        {120, QStringLiteral("F2")},         {99, QStringLiteral("F3")},
        {118, QStringLiteral("F4")},         {96, QStringLiteral("F5")},
        {97, QStringLiteral("F6")},          {98, QStringLiteral("F7")},
        {100, QStringLiteral("F8")},         {101, QStringLiteral("F9")},
        {109, QStringLiteral("F10")},        {103, QStringLiteral("F11")},
        {111, QStringLiteral("F12")},        {105, QStringLiteral("F13")},
        {107, QStringLiteral("F14")},        {113, QStringLiteral("F15")},
        {106, QStringLiteral("F16")},        {64, QStringLiteral("F17")},
        {79, QStringLiteral("F18")},         {80, QStringLiteral("F19")},
        {90, QStringLiteral("F20")},         {43, QStringLiteral("Comma")},
        {47, QStringLiteral("Dot")},         {44, QStringLiteral("Slash")},
        {50, QStringLiteral("backtick")},    {18, QStringLiteral("1")},
        {29, QStringLiteral("zero")},        {27, QStringLiteral("minus")},
        {39, QStringLiteral("apost")},       {71, QStringLiteral("clear")},
        {81, QStringLiteral("kp_equals")},   {75, QStringLiteral("kp_slash")},
        {67, QStringLiteral("kp_star")},     {83, QStringLiteral("1")},
        {82, QStringLiteral("zero")},        {65, QStringLiteral("Dot")},
        {78, QStringLiteral("kp_minus")},    {69, QStringLiteral("kp_plus")},
        {76, QStringLiteral("kp_enter")},
    };
    return table;
}

std::optional<QString> keyName(std::uint16_t keyCode) {
    const auto& table = mapKeyCodeToName();
    auto it = table.constFind(keyCode);
    if (it == table.constEnd())
        return std::nullopt;
    return *it;
}
