#pragma once
// Compound files (structured storage): one named stream and the summary-information property set,
// written and read through libgsf so that other tools open what the engine writes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plat {

// The four texts of the summary-information set that the engine keeps, as UTF-8. A missing value
// was not in the file (or could not be read); an empty one was there without text.
struct SummaryInformation {
  std::optional<std::string> title, subject, author, comments;
};

enum class StorageResult { Ok, CreateFailed, WriteFailed, NotStorage, OpenFailed, NoStream };

// Writes path as a compound file holding the stream and the property set. The file is written
// beside the target and renamed over it only when complete.
StorageResult WriteCompoundFile(const std::string& path, const std::string& streamName, const void* data,
                                std::size_t bytes, const SummaryInformation& summary);

// Reads the stream and whatever of the property set can be read.
StorageResult ReadCompoundFile(const std::string& path, const std::string& streamName, std::vector<uint8_t>* data,
                               SummaryInformation* summary);

}  // namespace plat
