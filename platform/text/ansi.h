#pragma once
// The ANSI code page of stored texts (registry values, album and index files): Windows-1252.
// Characters it cannot hold become '?'.
#include <QString>
#include <string>
#include <string_view>

namespace plat {

std::string toAnsi(const QString& text);
QString fromAnsi(std::string_view bytes);

}  // namespace plat
