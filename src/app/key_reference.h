#pragma once

#include <QString>

// The reference page of the names that keys record, as HTML: every key of the
// key-name table with the key it sits on, the transport keys, and the names
// that typing keys of a US keyboard record alone and with Shift, all worked
// out by the recorder's own naming rules.
QString keyReferenceHtml();
