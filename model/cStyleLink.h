// cStyleLink: the link style. The line attributes of a link, its own or from
// a named line style (the fill part of its attribute block is unused).
#pragma once

#include "model/DrawAttributes.h"
#include "model/cAnyStyle.h"

namespace kvn {

class cStyleLink : public cAnyStyle {
 public:
  cStyleLink() = default;
  ~cStyleLink() override;

  // Width and pattern scale multiplied.
  void Scale(double factor) override;
  bool Read(ArchiveReader& r, int version, cDrawingData* data) override;
  void Write(ArchiveWriter& w, cDrawingData* data) const override;

  DrawAttributes attributes;
};

}  // namespace kvn
