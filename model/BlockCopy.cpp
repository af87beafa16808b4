#include "model/BlockCopy.h"

#include <map>
#include <memory>

#include "model/BlockPath.h"
#include "model/ObjectChain.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cOutObj.h"

namespace kvn {

namespace {

bool Copy(cDrawingData& data, cBlock& destination, cBlock& source, bool deep, BlockPath& path) {
  bool result = source.mask != 0;
  destination.Assign(source);
  std::map<std::uint32_t, std::uint32_t> runningIds;  // source insert -> its copy
  std::vector<cOutObj*> links;
  ObjectChain chain;
  for (cOutObj* o = source.FirstObject(); o; o = o->next) {
    std::unique_ptr<cOutObj> copy(cOutObj::Create(o->TypeCode(), false));
    if (!copy) continue;
    copy->Assign(*o);
    if (cInsert* insert = o->AsInsert()) {
      cInsert* copied = copy->AsInsert();
      if (deep && copied && insert->blockIndex < data.BlockCount()) {
        cBlock* nested = data.GetBlock(insert->blockIndex);
        auto fresh = std::make_unique<cBlock>();
        if (nested && path.Enter(nested)) {
          if (Copy(data, *fresh, *nested, true, path)) result = true;
          path.Leave();
        }
        copied->AddBlock(fresh.release(), &data);
      }
      if (copied) {
        runningIds[insert->RunningId()] = copied->RunningId();
        if (insert->blankOut & 1) {
          copied->blankOut |= 1;
          destination.flags |= 0x01;
        }
      }
    }
    if (copy->LinkedInsertId(0)) links.push_back(copy.get());
    chain.Append(copy.release());
  }
  destination.AppendChain(std::move(chain));
  for (cOutObj* link : links) {
    std::uint32_t* ends[2] = {link->LinkedInsertId(0), link->LinkedInsertId(1)};
    if (!ends[0] || !ends[1] || (*ends[0] == 0 && *ends[1] == 0)) continue;
    for (std::uint32_t* end : ends) {
      const auto found = runningIds.find(*end);
      *end = found == runningIds.end() ? 0 : found->second;
    }
  }
  return result;
}

}  // namespace

bool CopyBlock(cDrawingData& data, cBlock& destination, cBlock& source, bool deep) {
  BlockPath path;
  path.Enter(&source);
  return Copy(data, destination, source, deep, path);
}

bool cInsert::MakeOwnBlock(cBlock* top, cDrawingData* data, bool deep) {
  if (!data) return false;
  cBlock* current = PrepareBlock(data, top ? top->FirstObject() : nullptr);
  auto own = std::make_unique<cBlock>();
  const bool result = current ? CopyBlock(*data, *own, *current, deep) : false;
  AddBlock(own.release(), data);
  MarkDirty();
  return result;
}

namespace {

void Flatten(cDrawingData& data, const cOutObj* first, ObjectChain& out, BlockPath& path) {
  for (const cOutObj* o = first; o; o = o->next) {
    if (const cInsert* insert = o->AsInsert()) {
      cBlock* block = const_cast<cInsert*>(insert)->GetPlacedBlock(&data);
      BlockPathScope scope(path, block);
      if (!scope.Entered()) continue;
      // Explode works on a copy: the source chain stays as it is.
      std::unique_ptr<cOutObj> copy(cOutObj::Clone(*o));
      if (!copy) continue;
      ObjectChain exploded = copy->Explode(&data);
      Flatten(data, exploded.Head(), out, path);
      continue;
    }
    if (cOutObj* copy = cOutObj::Clone(*o)) out.Append(copy);
  }
}

}  // namespace

ObjectChain FlattenChainCopy(cDrawingData& data, const cOutObj* first) {
  ObjectChain out;
  BlockPath path;
  Flatten(data, first, out, path);
  return out;
}

}  // namespace kvn
