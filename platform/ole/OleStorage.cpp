#include "platform/ole/OleStorage.h"

#include <cstring>
#include <mutex>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include "foundation/PathNames.h"

namespace kvn {

namespace {

void IgnoreLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// libgsf reports every inconsistency of a damaged file through GLib's log
// (warnings and criticals on standard error). A damaged drawing is answered
// by a result code of ours, so those reports are dropped.
void InitGsfOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    gsf_init();
    const auto levels = GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_MESSAGE);
    for (const char* domain : {"libgsf", "libgsf:msole", "libgsf:utils"}) {
      g_log_set_handler(domain, levels, IgnoreLog, nullptr);
    }
  });
}

// Owns one GObject reference.
struct GObjectRef {
  gpointer object = nullptr;
  GObjectRef() = default;
  explicit GObjectRef(gpointer o) : object(o) {}
  ~GObjectRef() {
    if (object) g_object_unref(object);
  }
  GObjectRef(const GObjectRef&) = delete;
  GObjectRef& operator=(const GObjectRef&) = delete;
};

// Some of libgsf's reports carry no log domain (a child that cannot be
// opened, for one); they are dropped while libgsf is at work here, and
// only then, so that no other library's reports are lost.
class QuietDefaultDomain {
 public:
  QuietDefaultDomain()
      : id_(g_log_set_handler(nullptr, GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_MESSAGE),
                              IgnoreLog, nullptr)) {}
  ~QuietDefaultDomain() { g_log_remove_handler(nullptr, id_); }
  QuietDefaultDomain(const QuietDefaultDomain&) = delete;
  QuietDefaultDomain& operator=(const QuietDefaultDomain&) = delete;

 private:
  guint id_;
};

bool IsStorage(GsfInput* child) {
  return GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0;
}

}  // namespace

bool HasOleSignature(const std::uint8_t* bytes, std::size_t length) {
  return length >= sizeof kOleSignature && std::memcmp(bytes, kOleSignature, sizeof kOleSignature) == 0;
}

struct OleStorage::Impl {
  // The bytes a memory storage reads from (shared by its sub-storages).
  std::shared_ptr<std::vector<std::uint8_t>> bytes;
  GsfInput* source = nullptr;   // one reference, released last
  GsfInfile* storage = nullptr;  // one reference
  ~Impl() {
    if (storage) g_object_unref(storage);
    if (source) g_object_unref(source);
  }
};

OleStorage::OleStorage(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
OleStorage::~OleStorage() = default;

std::unique_ptr<OleStorage> OleStorage::OpenBytes(const std::uint8_t* data, std::size_t size) {
  if (!data || !HasOleSignature(data, size)) return nullptr;
  InitGsfOnce();
  auto impl = std::make_unique<Impl>();
  impl->bytes = std::make_shared<std::vector<std::uint8_t>>(data, data + size);
  impl->source = gsf_input_memory_new(impl->bytes->data(), gsf_off_t(size), FALSE);
  if (!impl->source) return nullptr;
  GError* error = nullptr;
  impl->storage = gsf_infile_msole_new(impl->source, &error);
  if (error) g_error_free(error);
  if (!impl->storage) return nullptr;
  return std::unique_ptr<OleStorage>(new OleStorage(std::move(impl)));
}

std::unique_ptr<OleStorage> OleStorage::OpenPath(const WString& path) {
  InitGsfOnce();
  auto impl = std::make_unique<Impl>();
  GError* error = nullptr;
  impl->source = gsf_input_stdio_new(ToNativePath(path).c_str(), &error);
  if (error) {
    g_error_free(error);
    error = nullptr;
  }
  if (!impl->source) return nullptr;
  impl->storage = gsf_infile_msole_new(impl->source, &error);
  if (error) g_error_free(error);
  if (!impl->storage) return nullptr;
  return std::unique_ptr<OleStorage>(new OleStorage(std::move(impl)));
}

std::vector<OleElement> OleStorage::ListElements() const {
  std::vector<OleElement> elements;
  QuietDefaultDomain quiet;
  const int n = gsf_infile_num_children(impl_->storage);
  for (int i = 0; i < n; ++i) {
    const char* name = gsf_infile_name_by_index(impl_->storage, i);
    GObjectRef child(gsf_infile_child_by_index(impl_->storage, i));
    if (!child.object) continue;
    GsfInput* input = GSF_INPUT(child.object);
    OleElement element;
    element.name = name ? name : "";
    element.isStream = !IsStorage(input);
    if (element.isStream) element.size = std::uint64_t(gsf_input_size(input));
    elements.push_back(std::move(element));
  }
  return elements;
}

std::unique_ptr<OleStorage> OleStorage::OpenStorage(const std::string& name) const {
  QuietDefaultDomain quiet;
  GsfInput* child = gsf_infile_child_by_name(impl_->storage, name.c_str());
  if (!child) return nullptr;
  if (!IsStorage(child)) {
    g_object_unref(child);
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  impl->bytes = impl_->bytes;
  // The parent's source stays alive through the child's own references.
  impl->storage = GSF_INFILE(child);
  return std::unique_ptr<OleStorage>(new OleStorage(std::move(impl)));
}

bool OleStorage::ReadWholeStream(ByteArray& out, const OleElement& element, std::uint64_t limit) const {
  out.SetCount(0);
  if (!element.isStream) return false;
  QuietDefaultDomain quiet;
  GObjectRef child(gsf_infile_child_by_name(impl_->storage, element.name.c_str()));
  if (!child.object) return false;
  GsfInput* input = GSF_INPUT(child.object);
  if (IsStorage(input)) return false;
  const gsf_off_t size = gsf_input_size(input);
  if (size <= 0 || std::uint64_t(size) > limit || std::uint64_t(size) > 0xFFFFFFFFull) return false;
  out.SetCount(std::uint32_t(size));
  if (!gsf_input_read(input, std::size_t(size), out.Items())) {
    out.SetCount(0);
    return false;
  }
  return true;
}

}  // namespace kvn
