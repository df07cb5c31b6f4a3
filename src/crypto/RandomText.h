#pragma once

#include <QByteArray>

namespace veilpane {

// 256 characters: letters and digits four times, then "abcdefgh", so that one random byte picks one
// character. Fixed by the payload and message formats; never change it.
extern const char RandomTextAlphabet[257];

// length characters drawn from RandomTextAlphabet with bytes from the operating system's entropy source.
QByteArray MakeRandomText(int length);

} // namespace veilpane
