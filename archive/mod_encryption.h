#pragma once
// Password scrambling for the archive's request server. This is a fixed, keyless byte mix that the
// server undoes; it is not encryption and protects nothing against anyone who reads the wire.
#include <QByteArray>

namespace modEncryption {

// The password's bytes mixed in four passes; the result is one byte longer than the password and
// may hold any byte value, zero and comma included.
QByteArray fnScramblePassword(const QByteArray& password);

}  // namespace modEncryption
