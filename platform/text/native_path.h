#pragma once
// File names as the system gives them: bytes, UTF-8 for the most part. A name that is not valid
// UTF-8 still names an existing file, so no byte of it may be lost on its way through the program:
// each byte that is not part of valid UTF-8 is kept as a character of its own (U+DC80 to U+DCFF,
// code points that UTF-8 text never holds), and turned back into that byte when the file is opened.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace plat {

// The name as the program holds it; valid UTF-8 gives what QFile::decodeName gives.
QString pathFromNative(QByteArrayView bytes);
// The bytes to give the system for a name made by pathFromNative (or typed: then its UTF-8).
QByteArray nativePath(const QString& path);
// The name for messages and captions: each byte kept by pathFromNative shows as U+FFFD.
QString displayPath(const QString& path);
// The size in bytes of the file the path names; 0 when there is none.
int64_t fileSize(const QString& path);

}  // namespace plat
