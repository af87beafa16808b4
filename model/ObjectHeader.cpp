// The common record header of every drawing object, written in the current
// form and read in every version band since the first files.
//
//   version      level                        pages                         flag bits
//   < 3059       byte                         none                          none
//   3059-3060    byte                         byte (255 = all)              none
//   3061-3072    small byte                   small byte (255 = all)        none
//   3073-3079    compact u16                  small byte (255 = all)        none
//   3080         compact u16                  small byte                    0x01
//   3081         compact u16                  small byte                    0x01 0x02
//   3082-3093    compact u16                  two-bit form, small bytes     0x01 0x02
//   3094-3101    bit + compact u16 (0: none)  two-bit form, small bytes     0x01 0x02
//   >= 3102      bit + compact u16            two-bit form, compact u16     0x01 0x02
#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/cOutObj.h"

namespace kvn {

namespace {

std::uint16_t AllPagesFromByte(std::uint8_t b) { return b == 255 ? kAllPages : b; }

}  // namespace

void cOutObj::WriteHeader(ArchiveWriter& w) const {
  w.WriteByte(typeByte_);
  if (level_ == kNoLevel) {
    w.WriteBit(false);
  } else {
    w.WriteBit(true);
    w.WriteCompactU16(level_);
  }
  if (pageList_) {
    w.WriteBits(3, 2);
    w.WriteCompactU16(std::uint16_t(pageList_->Count()));
    for (std::uint16_t id : *pageList_) w.WriteCompactU16(id);
  } else if (pageId_ == kAllPages) {
    w.WriteBits(2, 2);
  } else if (pageId_ == kNoPage) {
    w.WriteBits(0, 2);
  } else {
    w.WriteBits(1, 2);
    w.WriteCompactU16(pageId_);
  }
  w.WriteBit(flags_ & kFlagStored);
  w.WriteBit(flags_ & kFlagHidden);
}

void cOutObj::ReadHeader(ArchiveReader& r, int version) {
  // Level.
  if (version < 3061) {
    level_ = r.ReadByte();  // 255 stays 255: old files had no "no level"
  } else if (version < 3073) {
    level_ = r.ReadSmallByte();
  } else if (version < 3094) {
    level_ = r.ReadCompactU16();
  } else {
    level_ = r.ReadBit() ? r.ReadCompactU16() : kNoLevel;
  }

  // Page membership.
  if (version >= 3059 && version < 3082) {
    SetPage(AllPagesFromByte(version < 3061 ? r.ReadByte() : r.ReadSmallByte()));
  } else if (version >= 3082) {
    const bool compact = version >= 3102;
    auto readId = [&]() -> std::uint16_t {
      return compact ? r.ReadCompactU16() : AllPagesFromByte(r.ReadSmallByte());
    };
    bool a = r.ReadBit();
    bool b = r.ReadBit();
    if (!a && !b) {
      SetPage(kNoPage);
    } else if (a && !b) {
      SetPage(kAllPages);
    } else if (!a && b) {
      SetPage(readId());
    } else {
      std::uint16_t count = compact ? r.ReadCompactU16() : r.ReadSmallByte();
      if (count == 1) {
        SetPage(readId());
      } else {
        pageId_ = kNoPage;
        pageList_.reset();
        // Each id takes at least two bits (compact) or a byte (old form):
        // a count the record cannot hold is a damaged record.
        if (r.CanRead(compact ? (count + 3u) / 4u : count, 1) || count == 0) {
          auto list = std::make_unique<GrowArray<std::uint16_t>>(8);
          list->Reserve(count);
          if (compact) {
            for (std::uint16_t i = 0; i < count; ++i) list->Add(r.ReadCompactU16());
          } else {
            std::uint8_t ids[255];
            r.Read(ids, count);
            for (std::uint16_t i = 0; i < count; ++i) list->Add(ids[i]);
          }
          pageList_ = std::move(list);
        } else {
          pageList_ = std::make_unique<GrowArray<std::uint16_t>>(8);
        }
      }
    }
  }

  // Flag bits.
  if (version >= 3080) SetFlag(kFlagStored, r.ReadBit());
  if (version >= 3081) SetFlag(kFlagHidden, r.ReadBit());
  flags_ &= std::uint8_t(~kFlagSymbolFollows);
}

}  // namespace kvn
