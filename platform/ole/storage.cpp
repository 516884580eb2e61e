#include "platform/ole/storage.h"

#include <gsf/gsf.h>
#include <gsf/gsf-doc-meta-data.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-meta-names.h>
#include <gsf/gsf-msole-utils.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace plat {

namespace {

constexpr const char* kSummaryStream = "\005SummaryInformation";

// libgsf reports what it meets in a damaged file on stderr; the caller reports the failure instead.
void quietLibraryLog() {
  static const bool once = [] {
    for (const char* domain : {"libgsf", "libgsf:msole", "GLib-GObject"})
      g_log_set_handler(domain, GLogLevelFlags(G_LOG_LEVEL_MASK & ~G_LOG_LEVEL_ERROR),
                        [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    return true;
  }();
  (void)once;
}

template <typename T>
struct GRef {
  T* p = nullptr;
  ~GRef() {
    if (p) g_object_unref(p);
  }
};

void insertText(GsfDocMetaData* meta, const char* name, const std::optional<std::string>& text) {
  if (!text) return;
  GValue* value = g_new0(GValue, 1);
  g_value_init(value, G_TYPE_STRING);
  g_value_set_string(value, text->c_str());
  gsf_doc_meta_data_insert(meta, g_strdup(name), value);
}

std::optional<std::string> lookupText(GsfDocMetaData* meta, const char* name) {
  GsfDocProp* prop = gsf_doc_meta_data_lookup(meta, name);
  if (!prop) return std::nullopt;
  const GValue* v = gsf_doc_prop_get_val(prop);
  if (!v || !G_VALUE_HOLDS_STRING(v)) return std::nullopt;
  const char* s = g_value_get_string(v);
  return std::string(s ? s : "");
}

bool writeAll(const std::string& path, const std::string& streamName, const void* data, std::size_t bytes,
              const SummaryInformation& summary) {
  GError* error = nullptr;
  GRef<GsfOutput> sink{gsf_output_stdio_new(path.c_str(), &error)};
  if (error) g_error_free(error);
  if (!sink.p) return false;
  GRef<GsfOutfile> file{gsf_outfile_msole_new(sink.p)};
  if (!file.p) return false;
  bool ok = true;
  {
    GRef<GsfOutput> stream{gsf_outfile_new_child(file.p, streamName.c_str(), FALSE)};
    ok = stream.p && (bytes == 0 || gsf_output_write(stream.p, bytes, static_cast<const guint8*>(data)));
    if (stream.p) ok = gsf_output_close(stream.p) && ok;
  }
  if (ok) {
    // The property set is a courtesy to other tools: a failure here does not fail the save.
    GRef<GsfOutput> props{gsf_outfile_new_child(file.p, kSummaryStream, FALSE)};
    GRef<GsfDocMetaData> meta{gsf_doc_meta_data_new()};
    if (props.p && meta.p) {
      insertText(meta.p, GSF_META_NAME_DESCRIPTION, summary.comments);
      insertText(meta.p, GSF_META_NAME_CREATOR, summary.author);
      insertText(meta.p, GSF_META_NAME_TITLE, summary.title);
      insertText(meta.p, GSF_META_NAME_SUBJECT, summary.subject);
      gsf_doc_meta_data_write_to_msole(meta.p, props.p, FALSE);
    }
    if (props.p) gsf_output_close(props.p);
  }
  ok = gsf_output_close(GSF_OUTPUT(file.p)) && ok;
  ok = (gsf_output_is_closed(sink.p) || gsf_output_close(sink.p)) && ok;
  return ok;
}

}  // namespace

StorageResult WriteCompoundFile(const std::string& path, const std::string& streamName, const void* data,
                                std::size_t bytes, const SummaryInformation& summary) {
  if (path.empty()) return StorageResult::CreateFailed;
  std::filesystem::path target(path);
  std::filesystem::path temp = target;
  temp += ".lumivex-part";
  if (!writeAll(temp.string(), streamName, data, bytes, summary)) {
    std::error_code ec;
    bool made = std::filesystem::exists(temp, ec);
    std::filesystem::remove(temp, ec);
    return made ? StorageResult::WriteFailed : StorageResult::CreateFailed;
  }
  std::error_code ec;
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return StorageResult::CreateFailed;
  }
  return StorageResult::Ok;
}

StorageResult ReadCompoundFile(const std::string& path, const std::string& streamName, std::vector<uint8_t>* data,
                               SummaryInformation* summary) {
  quietLibraryLog();
  GError* error = nullptr;
  GRef<GsfInput> input{gsf_input_stdio_new(path.c_str(), &error)};
  if (error) g_error_free(error);
  error = nullptr;
  if (!input.p) return StorageResult::NotStorage;
  GRef<GsfInfile> file{gsf_infile_msole_new(input.p, &error)};
  if (error) g_error_free(error);
  if (!file.p) return StorageResult::NotStorage;
  GRef<GsfInput> stream{gsf_infile_child_by_name(file.p, streamName.c_str())};
  if (!stream.p) return StorageResult::NoStream;
  gsf_off_t size = gsf_input_size(stream.p);
  if (size < 0 || uint64_t(size) > uint64_t(gsf_input_size(input.p)) + 4096) return StorageResult::OpenFailed;
  try {
    data->resize(std::size_t(size));
  } catch (...) {
    return StorageResult::OpenFailed;
  }
  if (size > 0 && !gsf_input_read(stream.p, std::size_t(size), data->data())) return StorageResult::OpenFailed;
  if (summary) {
    *summary = {};
    GRef<GsfInput> props{gsf_infile_child_by_name(file.p, kSummaryStream)};
    GRef<GsfDocMetaData> meta{gsf_doc_meta_data_new()};
    if (props.p && meta.p) {
      GError* metaError = gsf_doc_meta_data_read_from_msole(meta.p, props.p);
      if (metaError) {
        g_error_free(metaError);
      } else {
        summary->comments = lookupText(meta.p, GSF_META_NAME_DESCRIPTION);
        summary->author = lookupText(meta.p, GSF_META_NAME_CREATOR);
        summary->title = lookupText(meta.p, GSF_META_NAME_TITLE);
        summary->subject = lookupText(meta.p, GSF_META_NAME_SUBJECT);
      }
    }
  }
  return StorageResult::Ok;
}

}  // namespace plat
