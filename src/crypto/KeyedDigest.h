#pragma once

#include <QByteArray>

namespace veilpane {

inline constexpr int KeyedDigestBytes = 32;

// HMAC-SHA-256 of data under key: names and tags that only the key's holder can make or check. Empty only
// if the library fails, which callers treat as "nothing matches".
QByteArray KeyedDigest(const QByteArray& key, const QByteArray& data);

// Compares two digests in time that does not depend on where they differ.
bool SameDigest(const QByteArray& a, const QByteArray& b);

} // namespace veilpane
