#pragma once

#include <QHash>
#include <QString>

#include <cstdint>
#include <optional>

// The fixed names of 53 keys, by virtual key code (the physical key position
// on an ANSI keyboard). Created once on first use, never changed.
const QHash<std::uint16_t, QString>& mapKeyCodeToName();

// The table's name for keyCode, or nothing.
std::optional<QString> keyName(std::uint16_t keyCode);
