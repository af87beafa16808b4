#include "platform/ole/OleStorage.h"

#include <cstring>
#include <mutex>
#include <utility>

#include "foundation/PathNames.h"
#include "platform/ole/GsfLibrary.h"

namespace kvn {

namespace {

void IgnoreLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

constexpr auto kQuietLevels = GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_MESSAGE);

// libgsf, started once; null without it. libgsf reports every inconsistency
// of a damaged file through GLib's log (warnings and criticals on standard
// error). A damaged drawing is answered by a result code of ours, so those
// reports are dropped.
const GsfLibrary* StartedGsf() {
  const GsfLibrary* gsf = Gsf();
  if (!gsf) return nullptr;
  static std::once_flag once;
  std::call_once(once, [gsf] {
    gsf->init();
    for (const char* domain : {"libgsf", "libgsf:msole", "libgsf:utils"}) {
      gsf->logSetHandler(domain, kQuietLevels, IgnoreLog, nullptr);
    }
  });
  return gsf;
}

// Owns one GObject reference.
class GsfInputRef {
 public:
  GsfInputRef(const GsfLibrary& gsf, GsfInput* input) : gsf_(gsf), input_(input) {}
  ~GsfInputRef() {
    if (input_) gsf_.objectUnref(input_);
  }
  GsfInputRef(const GsfInputRef&) = delete;
  GsfInputRef& operator=(const GsfInputRef&) = delete;
  GsfInput* get() const { return input_; }
  GsfInput* release() { return std::exchange(input_, nullptr); }

 private:
  const GsfLibrary& gsf_;
  GsfInput* input_;
};

// Some of libgsf's reports carry no log domain (a child that cannot be
// opened, for one); they are dropped while libgsf is at work here, and
// only then, so that no other library's reports are lost.
class QuietDefaultDomain {
 public:
  explicit QuietDefaultDomain(const GsfLibrary& gsf)
      : gsf_(gsf), id_(gsf.logSetHandler(nullptr, kQuietLevels, IgnoreLog, nullptr)) {}
  ~QuietDefaultDomain() { gsf_.logRemoveHandler(nullptr, id_); }
  QuietDefaultDomain(const QuietDefaultDomain&) = delete;
  QuietDefaultDomain& operator=(const QuietDefaultDomain&) = delete;

 private:
  const GsfLibrary& gsf_;
  guint id_;
};

// A child is a sub-storage when it is itself an infile (GSF_IS_INFILE).
bool IsStorage(const GsfLibrary& gsf, GsfInput* child) {
  if (!child || !gsf.typeCheckInstanceIsA(reinterpret_cast<GTypeInstance*>(child), gsf.infileType())) return false;
  return gsf.infileNumChildren(reinterpret_cast<GsfInfile*>(child)) >= 0;
}

}  // namespace

bool HasOleSignature(const std::uint8_t* bytes, std::size_t length) {
  return length >= sizeof kOleSignature && std::memcmp(bytes, kOleSignature, sizeof kOleSignature) == 0;
}

struct OleStorage::Impl {
  explicit Impl(const GsfLibrary& library) : gsf(library) {}
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl() {
    if (storage) gsf.objectUnref(storage);
    if (source) gsf.objectUnref(source);
  }
  // The storage of the source; false when it is none.
  bool OpenStorageOfSource() {
    GError* error = nullptr;
    storage = gsf.infileMsoleNew(source, &error);
    if (error) gsf.errorFree(error);
    return storage != nullptr;
  }
  const GsfLibrary& gsf;
  // The bytes a memory storage reads from (shared by its sub-storages).
  std::shared_ptr<std::vector<std::uint8_t>> bytes;
  GsfInput* source = nullptr;   // one reference, released last
  GsfInfile* storage = nullptr;  // one reference
};

OleStorage::OleStorage(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
OleStorage::~OleStorage() = default;

std::unique_ptr<OleStorage> OleStorage::OpenBytes(const std::uint8_t* data, std::size_t size) {
  if (!data || !HasOleSignature(data, size)) return nullptr;
  const GsfLibrary* gsf = StartedGsf();
  if (!gsf) return nullptr;
  auto impl = std::make_unique<Impl>(*gsf);
  impl->bytes = std::make_shared<std::vector<std::uint8_t>>(data, data + size);
  impl->source = gsf->inputMemoryNew(impl->bytes->data(), gsf_off_t(size), FALSE);
  if (!impl->source || !impl->OpenStorageOfSource()) return nullptr;
  return std::unique_ptr<OleStorage>(new OleStorage(std::move(impl)));
}

std::unique_ptr<OleStorage> OleStorage::OpenPath(const WString& path) {
  const GsfLibrary* gsf = StartedGsf();
  if (!gsf) return nullptr;
  auto impl = std::make_unique<Impl>(*gsf);
  GError* error = nullptr;
  impl->source = gsf->inputStdioNew(ToNativePath(path).c_str(), &error);
  if (error) gsf->errorFree(error);
  if (!impl->source || !impl->OpenStorageOfSource()) return nullptr;
  return std::unique_ptr<OleStorage>(new OleStorage(std::move(impl)));
}

std::vector<OleElement> OleStorage::ListElements() const {
  const GsfLibrary& gsf = impl_->gsf;
  std::vector<OleElement> elements;
  QuietDefaultDomain quiet(gsf);
  const int n = gsf.infileNumChildren(impl_->storage);
  for (int i = 0; i < n; ++i) {
    const char* name = gsf.infileNameByIndex(impl_->storage, i);
    GsfInputRef child(gsf, gsf.infileChildByIndex(impl_->storage, i));
    if (!child.get()) continue;
    OleElement element;
    element.name = name ? name : "";
    element.isStream = !IsStorage(gsf, child.get());
    if (element.isStream) element.size = std::uint64_t(gsf.inputSize(child.get()));
    elements.push_back(std::move(element));
  }
  return elements;
}

std::unique_ptr<OleStorage> OleStorage::OpenStorage(const std::string& name) const {
  const GsfLibrary& gsf = impl_->gsf;
  QuietDefaultDomain quiet(gsf);
  GsfInputRef child(gsf, gsf.infileChildByName(impl_->storage, name.c_str()));
  if (!IsStorage(gsf, child.get())) return nullptr;
  auto impl = std::make_unique<Impl>(gsf);
  impl->bytes = impl_->bytes;
  // The parent's source stays alive through the child's own references; the
  // child's one reference passes to the sub-storage.
  impl->storage = reinterpret_cast<GsfInfile*>(child.release());
  return std::unique_ptr<OleStorage>(new OleStorage(std::move(impl)));
}

bool OleStorage::ReadWholeStream(ByteArray& out, const OleElement& element, std::uint64_t limit) const {
  out.SetCount(0);
  if (!element.isStream) return false;
  const GsfLibrary& gsf = impl_->gsf;
  QuietDefaultDomain quiet(gsf);
  GsfInputRef child(gsf, gsf.infileChildByName(impl_->storage, element.name.c_str()));
  if (!child.get() || IsStorage(gsf, child.get())) return false;
  const gsf_off_t size = gsf.inputSize(child.get());
  if (size <= 0 || std::uint64_t(size) > limit || std::uint64_t(size) > 0xFFFFFFFFull) return false;
  out.SetCount(std::uint32_t(size));
  if (!gsf.inputRead(child.get(), std::size_t(size), out.Items())) {
    out.SetCount(0);
    return false;
  }
  return true;
}

}  // namespace kvn
