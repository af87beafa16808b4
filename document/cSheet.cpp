#include "document/cSheet.h"

#include "foundation/WaitCursor.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"

namespace kvn {

cDrawingData* AcquireDrawingData(cDrawingData* data) {
  if (!data) data = new cDrawingData();
  data->AddRef();
  return data;
}

cSheet::DataRef::~DataRef() { data_->Release(); }

cSheet::cSheet(cDrawingData* sharedData) : data_(sharedData), drawing_(&topBlock_, data_.get()) {
  if (data_.get()->RefCount() == 1) data_.get()->SetOwner(&drawing_);
}

namespace {
cSheet::GoneHook g_goneHook = nullptr;
}  // namespace

cSheet::GoneHook cSheet::SetGoneHook(GoneHook hook) {
  GoneHook previous = g_goneHook;
  g_goneHook = hook;
  return previous;
}

cSheet::~cSheet() {
  if (g_goneHook) g_goneHook(this);
  // Deleting a large top block takes a while.
  const cOutObj* first = topBlock_.FirstObject();
  std::unique_ptr<WaitCursor> busy;
  if (first && first->next) busy = std::make_unique<WaitCursor>();
  // The blocks of the drawing data are not deleted here: other sheets may
  // still show the same drawing data, and its last release deletes them.
  topBlock_.DetachObjects();
  cDrawingData* data = data_.get();
  if (data->Owner() == &drawing_) data->SetOwner(nullptr);
}

}  // namespace kvn
