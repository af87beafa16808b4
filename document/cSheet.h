// cSheet: one sheet of a document: the drawing record with its top block,
// and a reference to the drawing data (styles, levels, blocks, scale) that
// the sheet may share with other sheets showing the same drawing.
//
// The drawing data is reference counted: the sheet holds one reference for
// its lifetime; the last holder's release destroys it with its blocks.
#pragma once

#include <cstdint>

#include "document/cDrawing.h"
#include "foundation/WString.h"
#include "model/cBlock.h"

namespace kvn {

class cDrawingData;
class cDrawingDoc;

// A new drawing data with one reference, or `data` with one more.
cDrawingData* AcquireDrawingData(cDrawingData* data);

class cSheet {
 public:
  // Told of every sheet about to go (the tool bar's level boxes forget it);
  // one per process, installed by the application shell.
  using GoneHook = void (*)(const cSheet* sheet);
  static GoneHook SetGoneHook(GoneHook hook);

  // With no drawing data given a new one is made. The first holder of a
  // drawing data makes its drawing the data's primary drawing.
  explicit cSheet(cDrawingData* sharedData = nullptr);
  ~cSheet();
  cSheet(const cSheet&) = delete;
  cSheet& operator=(const cSheet&) = delete;

  cDrawingData* Data() const { return data_.get(); }
  cBlock& TopBlock() { return topBlock_; }
  const cBlock& TopBlock() const { return topBlock_; }
  cDrawing& Drawing() { return drawing_; }
  const cDrawing& Drawing() const { return drawing_; }

  // The document the sheet belongs to (null while detached).
  cDrawingDoc* Owner() const { return owner_; }
  void SetOwner(cDrawingDoc* owner) {
    owner_ = owner;
    drawing_.SetDocument(owner);
  }

  std::uint32_t loadedMark = 0;
  // A sheet that shows an external reference: the sheet index wanted from
  // the referenced file and the path it was resolved to.
  std::uint8_t isReference = 0;
  std::uint16_t referencedSheet = 0;
  WString name;
  WString referencePath;

 private:
  // Holds one reference; declared first so that it is released last, after
  // the drawing and the top block are gone.
  class DataRef {
   public:
    explicit DataRef(cDrawingData* data) : data_(AcquireDrawingData(data)) {}
    ~DataRef();
    DataRef(const DataRef&) = delete;
    DataRef& operator=(const DataRef&) = delete;
    cDrawingData* get() const { return data_; }

   private:
    cDrawingData* data_;
  };

  DataRef data_;
  cBlock topBlock_;
  cDrawing drawing_;
  cDrawingDoc* owner_ = nullptr;
};

}  // namespace kvn
