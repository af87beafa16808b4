// The header-variables section: every variable of the file's release is read
// so that the bit position stays in step, ten are kept. The variable list is
// one table, shared with the test writer, so that reader and writer cannot
// drift apart.
#include "dwg/container/DwgHeaderVariables.h"

#include "dwg/objects/DwgCrc.h"
#include "dwg/objects/DwgReader.h"

namespace kvn {

namespace {

using V = DwgHeaderVar;
using K = DwgHeaderKeep;
constexpr std::uint8_t kAll = 255;

// {type, count, first release, last release, kept value}
constexpr DwgHeaderRow kHeaderRows[] = {
    {V::BLL, 1, 27, kAll, K::None},  // REQUIREDVERSIONS
    {V::BD, 4, 14, kAll, K::None},
    {V::TV, 4, 14, kAll, K::None},
    {V::BL, 2, 14, kAll, K::None},
    {V::BS, 1, 14, 14, K::None},
    {V::H5, 1, 14, 15, K::None},  // current viewport entity header
    {V::B, 2, 14, kAll, K::None},  // DIMASO, DIMSHO
    {V::B, 1, 14, 14, K::None},    // DIMSAV
    {V::B, 7, 14, kAll, K::None},  // PLINEGEN .. LIMCHECK
    {V::B, 1, 14, 14, K::None},    // BLIPMODE
    {V::B, 1, 18, kAll, K::None},
    {V::B, 4, 14, kAll, K::None},  // USRTIMER, SKPOLY, ANGDIR, SPLFRAME
    {V::B, 2, 14, 14, K::None},    // ATTREQ, ATTDIA
    {V::B, 2, 14, kAll, K::None},  // MIRRTEXT, WORLDVIEW
    {V::B, 1, 14, 14, K::None},    // WIREFRAME
    {V::B, 3, 14, kAll, K::None},  // TILEMODE, PLIMCHECK, VISRETAIN
    {V::B, 1, 14, 14, K::None},    // DELOBJ
    {V::B, 2, 14, kAll, K::None},  // DISPSILH, PELLIPSE
    {V::BS, 1, 14, kAll, K::None},  // PROXYGRAPHICS
    {V::BS, 1, 14, 14, K::None},    // DRAGMODE
    {V::BS, 1, 14, kAll, K::None},  // TREEDEPTH
    {V::BS, 1, 14, kAll, K::Lunits},
    {V::BS, 1, 14, kAll, K::Luprec},
    {V::BS, 1, 14, kAll, K::Aunits},
    {V::BS, 1, 14, kAll, K::Auprec},
    {V::BS, 1, 14, 14, K::None},    // OSMODE
    {V::BS, 1, 14, kAll, K::None},  // ATTMODE
    {V::BS, 1, 14, 14, K::None},    // COORDS
    {V::BS, 1, 14, kAll, K::None},  // PDMODE
    {V::BS, 1, 14, 14, K::None},    // PICKSTYLE
    {V::BL, 3, 18, kAll, K::None},
    {V::BS, 19, 14, kAll, K::None},  // USERI1 .. TEXTQLTY
    {V::BD, 1, 14, kAll, K::LtScale},
    {V::BD, 20, 14, kAll, K::None},  // TEXTSIZE .. CELTSCALE
    {V::TV, 1, 14, 18, K::None},     // MENUNAME
    {V::BL, 4, 14, kAll, K::None},   // TDCREATE, TDUPDATE
    {V::BL, 3, 18, kAll, K::None},
    {V::BL, 4, 14, kAll, K::None},  // TDINDWG, TDUSRTIMER
    {V::CMC, 1, 14, kAll, K::None},  // CECOLOR
    {V::HANDSEED, 1, 14, kAll, K::None},
    {V::H5, 3, 14, kAll, K::None},  // CLAYER, TEXTSTYLE, CELTYPE
    {V::H5, 1, 21, kAll, K::None},  // CMATERIAL
    {V::H5, 2, 14, kAll, K::None},  // DIMSTYLE, CMLSTYLE
    {V::BD, 1, 15, kAll, K::None},  // PSVPSCALE
    // Paper space: INSBASE, EXTMIN, EXTMAX, LIMMIN, LIMMAX, ELEVATION, UCSORG,
    // UCSXDIR, UCSYDIR, UCSNAME.
    {V::BD, 9, 14, kAll, K::None},
    {V::RD, 4, 14, kAll, K::None},
    {V::BD, 10, 14, kAll, K::None},
    {V::H5, 1, 14, kAll, K::None},
    {V::H5, 1, 15, kAll, K::None},  // PUCSORTHOREF
    {V::BS, 1, 15, kAll, K::None},  // PUCSORTHOVIEW
    {V::H5, 1, 15, kAll, K::None},  // PUCSBASE
    {V::BD, 18, 15, kAll, K::None},  // PUCSORGTOP .. PUCSORGBACK
    // Model space, the same ten.
    {V::BD, 9, 14, kAll, K::None},
    {V::RD, 4, 14, kAll, K::None},
    {V::BD, 10, 14, kAll, K::None},
    {V::H5, 1, 14, kAll, K::None},
    {V::H5, 1, 15, kAll, K::None},  // UCSORTHOREF
    {V::BS, 1, 15, kAll, K::None},  // UCSORTHOVIEW
    {V::H5, 1, 15, kAll, K::None},  // UCSBASE
    {V::BD, 18, 15, kAll, K::None},  // UCSORGTOP .. UCSORGBACK
    {V::TV, 2, 15, kAll, K::None},   // DIMPOST, DIMAPOST
    // R13/R14 dimension variables.
    {V::B, 11, 14, 14, K::None},  // DIMTOL .. DIMSOXD
    {V::RC, 2, 14, 14, K::None},  // DIMALTD, DIMZIN
    {V::B, 2, 14, 14, K::None},   // DIMSD1, DIMSD2
    {V::RC, 3, 14, 14, K::None},  // DIMTOLJ, DIMJUST, DIMFIT
    {V::B, 1, 14, 14, K::None},   // DIMUPT
    {V::RC, 4, 14, 14, K::None},  // DIMTZIN, DIMALTZ, DIMALTTZ, DIMTAD
    {V::BS, 6, 14, 14, K::None},  // DIMUNIT .. DIMALTTD
    {V::H5, 1, 14, 14, K::None},  // DIMTXSTY
    {V::BD, 9, 14, kAll, K::None},  // DIMSCALE .. DIMTM
    {V::BD, 2, 21, kAll, K::None},  // DIMFXL, DIMJOGANG
    {V::BS, 1, 21, kAll, K::None},  // DIMTFILL
    {V::CMC, 1, 21, kAll, K::None},  // DIMTFILLCLR
    {V::B, 6, 15, kAll, K::None},    // DIMTOL .. DIMSE2
    {V::BS, 3, 15, kAll, K::None},   // DIMTAD, DIMZIN, DIMAZIN
    {V::BS, 1, 21, kAll, K::None},   // DIMARCSYM
    {V::BD, 8, 14, kAll, K::None},   // DIMTXT .. DIMGAP
    {V::TV, 5, 14, 14, K::None},     // DIMPOST .. DIMBLK2
    {V::BD, 1, 15, kAll, K::None},   // DIMALTRND
    {V::B, 1, 15, kAll, K::None},    // DIMALT
    {V::BS, 1, 15, kAll, K::None},   // DIMALTD
    {V::B, 4, 15, kAll, K::None},    // DIMTOFL, DIMSAH, DIMTIX, DIMSOXD
    {V::CMC, 3, 14, kAll, K::None},  // DIMCLRD, DIMCLRE, DIMCLRT
    {V::BS, 11, 15, kAll, K::None},  // DIMADEC .. DIMJUST
    {V::B, 2, 15, kAll, K::None},    // DIMSD1, DIMSD2
    {V::BS, 4, 15, kAll, K::None},   // DIMTOLJ, DIMTZIN, DIMALTZ, DIMALTTZ
    {V::B, 1, 15, kAll, K::None},    // DIMUPT
    {V::BS, 1, 15, kAll, K::None},   // DIMATFIT
    {V::B, 1, 21, kAll, K::None},    // DIMFXLON
    {V::B, 1, 24, kAll, K::None},    // DIMTXTDIRECTION
    {V::BD, 1, 24, kAll, K::None},   // DIMALTMZF
    {V::TV, 1, 24, kAll, K::None},   // DIMALTMZS
    {V::BD, 1, 24, kAll, K::None},   // DIMMZF
    {V::TV, 1, 24, kAll, K::None},   // DIMMZS
    {V::H5, 5, 15, kAll, K::None},   // DIMTXSTY, DIMLDRBLK, DIMBLK, DIMBLK1, DIMBLK2
    {V::H5, 3, 21, kAll, K::None},   // DIMLTYPE, DIMLTEX1, DIMLTEX2
    {V::BS, 2, 15, kAll, K::None},   // DIMLWD, DIMLWE
    {V::H3, 9, 14, kAll, K::None},   // the table control objects
    {V::H3, 1, 14, 15, K::None},     // viewport entity header control
    {V::H5, 2, 14, kAll, K::None},   // ACAD_GROUP, ACAD_MLINESTYLE
    {V::H3, 1, 14, kAll, K::None},   // named-objects dictionary
    {V::BS, 2, 15, kAll, K::None},   // TSTACKALIGN, TSTACKSIZE
    {V::TV, 2, 15, kAll, K::None},   // HYPERLINKBASE, STYLESHEET
    {V::H5, 3, 15, kAll, K::None},   // LAYOUTS, PLOTSETTINGS, PLOTSTYLES
    {V::H5, 2, 18, kAll, K::None},   // MATERIALS, COLORS
    {V::H5, 1, 21, kAll, K::None},   // VISUALSTYLE
    {V::H5, 1, 27, kAll, K::None},
    {V::BL, 1, 15, kAll, K::None},     // flags word
    {V::BS, 1, 15, kAll, K::None},     // INSUNITS
    {V::CEPSN, 1, 15, kAll, K::None},  // CEPSNTYPE, and CPSNID when it is 3
    {V::TV, 2, 15, kAll, K::None},     // FINGERPRINTGUID, VERSIONGUID
    {V::RC, 6, 18, kAll, K::None},     // SORTENTS .. HALOGAP
    {V::BS, 2, 18, kAll, K::None},     // OBSCUREDCOLOR, INTERSECTIONCOLOR
    {V::RC, 2, 18, kAll, K::None},     // OBSCUREDLTYPE, INTERSECTIONDISPLAY
    {V::TV, 1, 18, kAll, K::None},     // PROJECTNAME
    {V::H5, 1, 14, kAll, K::PaperSpace},
    {V::H5, 1, 14, kAll, K::ModelSpace},
    {V::H5, 1, 14, kAll, K::ByLayer},
    {V::H5, 1, 14, kAll, K::ByBlock},
    {V::H5, 1, 14, kAll, K::Continuous},
    {V::B, 1, 21, kAll, K::None},   // CAMERADISPLAY
    {V::BL, 2, 21, kAll, K::None},
    {V::BD, 1, 21, kAll, K::None},
    {V::BD, 5, 21, kAll, K::None},  // STEPSPERSEC .. CAMERAHEIGHT
    {V::RC, 2, 21, kAll, K::None},  // SOLIDHIST, SHOWHIST
    {V::BD, 6, 21, kAll, K::None},  // PSOLWIDTH .. LOFTMAG2
    {V::BS, 1, 21, kAll, K::None},  // LOFTPARAM
    {V::RC, 1, 21, kAll, K::None},  // LOFTNORMALS
    {V::BD, 3, 21, kAll, K::None},  // LATITUDE, LONGITUDE, NORTHDIRECTION
    {V::BL, 1, 21, kAll, K::None},  // TIMEZONE
    {V::RC, 4, 21, kAll, K::None},  // LIGHTGLYPHDISPLAY .. DGNFRAME
    {V::B, 1, 21, kAll, K::None},
    {V::CMC, 1, 21, kAll, K::None},  // INTERFERECOLOR
    {V::H5, 3, 21, kAll, K::None},   // INTERFEREOBJVS, INTERFEREVPVS, DRAGVS
    {V::RC, 1, 21, kAll, K::None},   // CSHADOW
    {V::BD, 1, 21, kAll, K::None},
};

constexpr std::uint8_t kHeaderSentinel[16] = {0xCF, 0x7B, 0x1F, 0x23, 0xFD, 0xDE, 0x38, 0xA9,
                                              0x5F, 0x7C, 0x68, 0xB8, 0x4E, 0x6D, 0x33, 0x5F};

}  // namespace

std::span<const DwgHeaderRow> DwgHeaderVariableRows() { return kHeaderRows; }
std::span<const std::uint8_t, 16> DwgHeaderSentinel() { return std::span<const std::uint8_t, 16>(kHeaderSentinel); }

bool DwgHeaderRowApplies(const DwgHeaderRow& row, int release) {
  return release >= row.firstRelease && release <= row.lastRelease;
}

bool DwgHasHighSize(int release, int maintenance) {
  return release >= dwgrelease::kR2018 ||
         ((release == dwgrelease::kR2010 || release == dwgrelease::kR2013) && maintenance > 3);
}

void DwgReader::ResetObjectState(std::uint32_t budget) {
  overrun_ = false;
  ResetCursor();
  budget_ = budget;
  record_.Clear();
  entityCode_ = 0;
  texts_.clear();
  handles_.clear();
  dataEndBits_ = 0;
  dataStart_ = 0;
  stringSwitched_ = false;
  handleOwnStart_ = false;
  preReadActive_ = false;
  sentinel_ = 1;
}

bool DwgReader::DwgHasHighSizeField() const { return DwgHasHighSize(release_, maintenanceVersion); }

bool DwgReader::ReadDwgHeaderVariables(std::uint32_t sectionSize) {
  ResetObjectState(sectionSize);
  // The start sentinel, wherever it begins within the section.
  int matched = 0;
  while (matched < 16) {
    const std::uint8_t byte = ReadSourceByte();
    if (overrun_) {
      SetReaderError(10009, 0);
      return false;
    }
    if (byte == kHeaderSentinel[matched]) {
      ++matched;
    } else {
      matched = byte == kHeaderSentinel[0] ? 1 : 0;
    }
  }
  sentinel_ = 2;
  crc_ = kDwgCrcSeed;
  const std::uint32_t size = ReadRawLongAligned();
  std::uint64_t end = GetSourcePosition() + size;
  ResetCursor();
  if (DwgHasHighSize(release_, maintenanceVersion)) {
    ReadRawLongAligned();
    end += 4;
  }
  std::uint64_t bitSize = 0;
  if (release_ >= dwgrelease::kR2007) bitSize = ReadRawLong();

  std::uint64_t* const kept[] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 &paperSpaceRecord, &modelSpaceRecord, &byLayerLineType, &byBlockLineType,
                                 &continuousLineType};
  for (const DwgHeaderRow& row : kHeaderRows) {
    if (!DwgHeaderRowApplies(row, release_)) continue;
    for (int i = 0; i < row.count; ++i) {
      switch (row.type) {
        case V::B: ReadBit(); break;
        case V::BS: {
          const std::uint16_t v = ReadBitShort();
          switch (row.keep) {
            case K::Lunits: lunits = v; break;
            case K::Luprec: luprec = v; break;
            case K::Aunits: aunits = v; break;
            case K::Auprec: auprec = v; break;
            default: break;
          }
          break;
        }
        case V::BL: ReadBitLong(); break;
        case V::BLL: ReadBitLongLong(); break;
        case V::BD: {
          const double v = ReadBitDouble();
          if (row.keep == K::LtScale) ltScale = v;
          break;
        }
        case V::RC: ReadRawChar(); break;
        case V::RD: ReadRawDouble(); break;
        case V::TV: ReadText(nullptr, 0); break;
        case V::H5: ReadHandleRef(5, kept[int(row.keep)], 0); break;
        case V::H3: ReadHandleRef(3, nullptr, 0); break;
        case V::CMC: ReadObjectColor(); break;
        case V::HANDSEED: ReadHandle(0); break;
        case V::CEPSN:
          if (ReadBitShort() == 3) ReadHandleRef(5, nullptr, 0);
          break;
      }
    }
  }
  if (release_ >= dwgrelease::kR2007) {
    if (!ResolveDeferredTexts()) {
      SetReaderError(10011, 0);
      return false;
    }
    while (bitsCounted_ < bitSize) {
      if (overrun_) {
        SetReaderError(10012, 0);
        return false;
      }
      ReadBit();
    }
    if (!ResolveDeferredHandles(~std::uint64_t(0))) {
      SetReaderError(10013, 0);
      return false;
    }
  }
  if (GetSourcePosition() > end) {
    SetReaderError(10014, 0);
    return false;
  }
  while (GetSourcePosition() < end) {
    if (overrun_) {
      SetReaderError(10015, 0);
      return false;
    }
    ReadRawChar();
  }
  std::uint8_t stored[2];
  ReadRawBytes(stored, 2);
  if (overrun_ || crc_ != 0) {
    SetReaderError(10016, 0);
    return false;
  }
  headerChecked = true;
  return true;
}

}  // namespace kvn
