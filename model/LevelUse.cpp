#include "model/LevelUse.h"

#include <algorithm>
#include <vector>

#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"

namespace kvn {

namespace {

void ToNoLevel(const cBlock& block) {
  for (cOutObj* o = block.FirstObject(); o; o = o->next) o->SetLevel(65535);
}

}  // namespace

void DropLevelUse(cDrawingData& data, cBlock& top) {
  ToNoLevel(top);
  for (std::uint32_t i = 0; i < data.BlockCount(); ++i)
    if (const cBlock* block = data.GetBlock(i)) ToNoLevel(*block);
  data.Levels().Clear();
}

void SortObjectsByLevel(cBlock& block) {
  // A chain shown for someone else is theirs to order.
  if (block.flags & kBlockChainNotOwned) return;
  std::vector<cOutObj*> objects;
  for (cOutObj* o = block.FirstObject(); o; o = o->next) objects.push_back(o);
  if (objects.size() < 2) return;
  std::stable_sort(objects.begin(), objects.end(),
                   [](const cOutObj* a, const cOutObj* b) { return a->Level() < b->Level(); });
  // The block forgets its chain without deleting it; the objects come back
  // in the new order.
  block.InitObjectList();
  ObjectChain chain;
  for (cOutObj* o : objects) chain.Append(o);
  block.AppendChain(std::move(chain));
}

}  // namespace kvn
