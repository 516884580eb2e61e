#pragma once
// What an upload sends: the file's N bytes and one zero byte.
#include <QByteArray>
#include <QString>
#include <optional>

namespace arch {

// The file's bytes followed by one zero byte; nullopt when it cannot be read whole.
std::optional<QByteArray> ReadFileBytes(const QString& path);

}  // namespace arch
