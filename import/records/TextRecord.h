// cOneText: the import record of TEXT, MTEXT, ATTRIB, ATTDEF and the texts
// of MLEADER. It keeps the plain text (MTEXT and %% codes converted,
// TextCodes.h), the placement and the justification groups, and makes one
// cText. An ATTRIB or ATTDEF that carries an embedded multi-line text
// (sub-record 1 of the group-code record) is read from that sub-record.
//
// Alignment of single-line texts from h = 72 and v = 73 (74 for ATTRIB and
// ATTDEF): h = 4 the second point, middle centre; h = 0 and v = 0, or h >= 3,
// the insertion point, baseline left; otherwise the second point with the
// column of h (1 centre, 2 right, else left) and the row of v (3 top, 2
// middle, 1 bottom, else baseline). Multi-line texts: attachment 71 = 1..9
// gives alignment 0..8, anything else top left.
//
// Spool form after the base: height, insertion point, second point,
// rotation, line spacing, width (8 + 24 + 24 + 8 + 8 + 8), flags 70..74
// (5 x 4), a zero word, style handle (8), multi-line byte, frame byte, 6
// zero bytes, the frame gap, the frame colour and 4 zero bytes (136 bytes);
// then style name, text, tag and prompt, each a character count and the
// UTF-16 code units.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/WString.h"
#include "import/records/cOneObjRec.h"

namespace kvn {
class cDrawingData;
class cText;
}  // namespace kvn

namespace kvn {

class cOneText : public SpooledRecord<cOneText> {
 public:
  cOneText() = default;
  // The record's sub-record id is used and set back to 0.
  cOneText(YxxfGroupRecord* record, std::uint16_t code);
  // A cText, or null for a blank text or a direction the transform cannot map.
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  cOneText* AsText() override { return this; }
  RecordKind Kind() const override { return RecordKind::Text; }
  // The cText alignment code of the record.
  int Alignment() const;
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.height);
    v(r.insertion);
    v(r.second);
    v(r.rotation);
    v(r.lineSpacing);
    v(r.width);
    for (auto& f : r.flags) v(f);
    v(SpoolPad{4});
    v(r.styleHandle);
    v(r.multiLine);
    v(r.framed);
    v(SpoolPad{6});
    v(r.frameGap);
    v(r.frameColor);
    v(SpoolPad{4});
  }

  double height = 0.0;
  Vec3 insertion;
  Vec3 second{1, 0, 0};
  double rotation = 0.0;
  double lineSpacing = 0.0;
  double width = 0.0;
  // Groups 70, 71, 72, 73, 74.
  std::int32_t flags[5] = {0, 0, 0, 0, 0};
  std::uint64_t styleHandle = 0;
  std::uint8_t multiLine = 0;
  // A frame is drawn around the laid-out text, this far from it; the
  // layout is only known once the text has its style (the frame follows
  // the text in its chain and gets its corners when the text is styled).
  std::uint8_t framed = 0;
  double frameGap = 0.0;
  // The frame's colour (a record colour: by layer and by block resolved as
  // the record's own): the multileader's, whatever colour its text has.
  std::uint32_t frameColor = 0;
  WString styleName;
  WString text;
  WString tag;
  WString prompt;

 protected:
  void WriteExtra(OutFileStream& out) const override;
  bool ReadExtra(InFileStream& in) override;
};

// The texts of an MLEADER: one multi-line text per context block that has
// one (290 non-zero), read outside the block's leaders: visibility 60,
// colour 90, height 41, location 12, direction 13, width 43, attachment 171
// (2 and 3 kept, else 1), text 304, style handle 340; framed when the
// entity's 292 after the context data is set, at the landing gap 145, in
// the entity's own colour. A text that flows top to bottom (172 = 3) is
// drawn as its writers draw it: its paragraphs side by side on one line,
// never wrapped.
void AppendMLeaderTexts(YxxfGroupRecord& record, std::vector<std::unique_ptr<cOneObjRec>>& out);

// Gives the frame that follows a framed text in its chain the corners of
// the text's laid-out box, widened by the gap. The text must be styled.
void FrameLaidOutText(const cOneText& source, cText& text, cDrawingData& data);

}  // namespace kvn
