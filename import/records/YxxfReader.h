// YxxfReader: the context of one CAD import. The DXF, DWG and DGN readers
// fill a YxxfGroupRecord per header, class, table entry or entity and hand it
// here: DispatchSection (DXF: by section and entity name) or DispatchEntity
// (DWG, DGN: by entity code). Table entries become table records in the
// lists below; entities become import entity records attached to their
// owning block and level, kept in memory or written to the spool stream.
// The drawing assembly then turns the lists into a document.
//
// State: the current block lives from BLOCK to ENDBLK, the open polyline from
// POLYLINE to SEQEND, the attribute owner from an INSERT with attributes
// (66 bit 0) to SEQEND or the next INSERT.
//
// Layers: an entity's level is the index of its layer in the layer list. A
// layer named by an entity (or a DWG layer handle that matches none) is
// created once; an entity without layer, with an empty name, or past the
// limit of 65,534 layers lands on layer "0", which is created when the
// drawing has none, so that a drawing without a layer table keeps its
// objects. A table entry that arrives after its layer was created this way
// fills that layer in place.
//
// Text code page: from drawing version 1021 (AC1021) on, narrow texts are
// UTF-8 whatever $DWGCODEPAGE says or where it stands in the header;
// before, $DWGCODEPAGE names the code page (0: the ANSI code page).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "foundation/AString.h"
#include "foundation/DRect.h"
#include "foundation/GrowArray.h"
#include "foundation/WString.h"
#include "import/records/BlockLookup.h"
#include "import/records/ImportStatistics.h"
#include "import/records/SharedInsertBlocks.h"
#include "import/records/TableRecords.h"
#include "import/records/cOneObjRec.h"
#include "model/DrawingCost.h"

namespace kvn {

class LoadQuestions;
struct FormatReadContext;
class OutFileStream;
class ProgressMonitor;
class YxxfEntInsert;
class YxxfGroupRecord;
class cBitmap;
class cAnyFill;
class cDrawingData;
class cDrawingDoc;
class cInsert;
class cOutObj;
class cDrawing;
class cSection;
class cSheet;
struct ViewDirectionChoice;
class cText;
class cStyleFill;
class ImportMatrix;
struct InsertChainLink;

// Sections of DispatchSection.
enum class YxxfSection { Header = 0, Classes = 1, Tables = 2, Blocks = 3, Entities = 4, Objects = 5 };

// The dispatcher's entity codes.
namespace entity {
inline constexpr int kLine = 2, kPolyline = 3, kVertex = 4, kSeqEnd = 5, kText = 6, kInsert = 7, kCircle = 8,
                     kArc = 9, k3DLine = 10, kLayer = 11, kView = 12, kLineType = 13, kUcs = 14, kStyle = 15,
                     kBlock = 16, kEndBlock = 17, kSolid = 18, kPoint = 19, kTrace = 20, kShape = 21,
                     kAttDef = 22, kAttrib = 23, k3DFace = 24, kViewport = 25, kDimension = 26,
                     kArcDimension = 27, kMText = 28, kHatch = 29, kLeader = 30, kMultiLeader = 31,
                     kEllipse = 32, kMLine = 33, kSpline = 34, kLwPolyline = 35, kRText = 36, kTolerance = 37,
                     kProxyEntity = 38, kProxyObject = 39, kXLine = 40, kEndTab = 41, k3DSolid = 42, kBody = 43,
                     kImage = 44, kImageDef = 45, kOleFrame = 46, kOle2Frame = 47, kAcadTable = 48, kRay = 49,
                     kRegion = 50, kLayout = 51, kBlockRecord = 52, kSortEntsTable = 53, kVport = 54;
}  // namespace entity

// The entity name table: the code of a name (case-insensitive), 0 when unknown.
int EntityCodeOfName(const char* name);
// The first name of a code, null when none.
const char* EntityNameOfCode(int code);

// Set while an assembly runs once memory ran low.
bool ImportOutOfMemory();

inline constexpr std::uint32_t kMaxLayers = 65534;
inline constexpr std::uint16_t kNoLayer = 65535;

class YxxfReader {
 public:
  YxxfReader(const WString& fileName, int kind);
  virtual ~YxxfReader();
  YxxfReader(const YxxfReader&) = delete;
  YxxfReader& operator=(const YxxfReader&) = delete;

  // Header (0), classes (1), or an entity or table entry by name. The
  // record's code page is set to TextCodePage() first.
  void DispatchSection(YxxfGroupRecord& record, const char* name, YxxfSection section);
  // An entity or table entry by code; codes outside 2..54 are ignored.
  void DispatchEntity(YxxfGroupRecord& record, int code);
  // Attaches an entity record to its block and level; a null record does
  // nothing. False when the owner is unknown (the record then goes to the
  // list of entities without a known owner).
  bool AddRecord(const YxxfGroupRecord& record, std::unique_ptr<cOneObjRec> entityRecord, bool spool);
  // A layer of a table (the DWG readers make them directly).
  void AddLayerRecord(std::unique_ptr<YxxfLayerRec> layer) { AddTableLayer(std::move(layer)); }
  // The owner named by pseudo-code 32769 (0: the default block; a block named
  // *MODEL_SPACE is the default block; an unknown handle: null), else the
  // current block, else the default block.
  YxxfBlockRec* FindOwnerBlock(const YxxfGroupRecord& record);
  // The viewport of the model layout's last active viewport, else the first
  // named *Active, else the first; null without viewports.
  static const YxxfViewportRec* FindModelViewport(const YxxfReader& reader, const YxxfLayoutRec** outLayout);

  // ---- drawing assembly (DrawingAssembly.cpp, BlockConversion.cpp) ----
  // The document of every layout with content: the model sheet, the paper
  // sheet, then one sheet per further layout; null when the import stopped
  // (cancelled, out of memory; `stopMessage` then says why when it is not a
  // cancel). Guards the conversion against running out of memory.
  std::unique_ptr<cDrawingDoc> AssembleDrawing(ProgressMonitor* monitor);
  // Reorders the block entity lists by the sort tables.
  void ApplyDrawOrder();
  // The first block with the block handle (or, without one, the non-empty
  // name, ASCII case ignored), or whose handles hold the insert's handle.
  YxxfBlockRec* FindBlock(std::uint64_t insertHandle, const WString& name, std::uint64_t blockHandle);
  // Converts the records of a block into drawing objects under `transform`
  // (mode 1 model space only, 2 paper space only, 0 all). Returns false when
  // the import is to stop.
  bool ConvertBlock(ObjectChain& out, const InsertChainLink* chain, const ImportMatrix& transform,
                    cDrawingData* data, int mode, YxxfBlockRec& block, ProgressMonitor* monitor);
  // The line style of an import line type with elements (its index), and
  // the font of an import text style.
  std::int32_t MakeLineStyle(const YxxfLineTypeRec& type, cDrawingData& data);
  std::uint16_t FontOfImportStyle(const YxxfStyleRec& style, cDrawingData& data);
  // The drawing's text style made from an import style (its index): the
  // style's font, mirroring and height (the first text's when the style has
  // none), bold and italic.
  std::int32_t MakeTextStyle(const YxxfStyleRec& style, const cText& text, std::int32_t font, cDrawingData& data);
  // The font and text style of a text's import style (made when missing); a
  // top or middle aligned TEXT moved onto its baseline.
  void StyleText(const cOneText& source, cText& text, cDrawingData& data);
  // The levels of a sheet from the layers its objects use (DrawingAssembly.cpp).
  void MakeSheetLevels(cDrawingData& data, ObjectChain& objects) const;
  // An object at the top of a sheet with its level (the layer index the
  // styling gave it), in the order of the sheet's chain, and the entity
  // code of the record it was made from (0: not known), which names it
  // should it be lost.
  struct SheetObject {
    cOutObj* object = nullptr;
    std::uint16_t level = 0;
    std::uint16_t entity = 0;
  };
  // MakeSheetLevels over the objects of `objects` listed in `top`, each
  // with the level it has now; `top` keeps the objects kept, with their
  // new levels.
  // Answers the level number each layer got (65535: none).
  std::vector<std::uint16_t> MakeSheetLevels(cDrawingData& data, ObjectChain& objects,
                                             std::vector<SheetObject>& top) const;
  // The view objects of a sheet built after the first show the first
  // sheet's levels but those frozen in them: their frozen layer indexes
  // become the first sheet's level numbers of the layers not frozen.
  void SetSheetViewportLevels(cDrawingData& data, const ObjectChain& objects,
                              const std::vector<std::uint16_t>& firstSheetLevelOfLayer) const;
  // The sheet's attribute definitions into the document's attribute list,
  // the header's display precisions, and the initial view of a viewport
  // (DrawingAssembly.cpp).
  void AddAttributeDefinitions(cDrawingDoc& document, YxxfBlockRec& block, int mode) const;
  void ApplyUnits(cDrawing& drawing) const;
  static bool InitialViewRect(const YxxfViewportRec* viewport, const ViewDirectionChoice& choice,
                              const ImportMatrix& view, DRect& out);
  // Colour, level, line type and text font of a made object (import
  // styling, ImportStyling.cpp). Styles are made once per drawing data.
  // With the transform the object was made under, its line widths follow
  // the transform's scale as its geometry did.
  void StyleImportedObject(const InsertChainLink* chain, const cOneObjRec& record, cOutObj& object,
                           cDrawingData& data, const ImportMatrix* transform = nullptr);
  // A pattern fill: its fill style from the reader's pattern list, its
  // pattern colour resolved, no solid layer.
  void StylePatternFill(const InsertChainLink* chain, const cOneObjRec& record, cAnyFill& fill, cDrawingData& data);
  // The colour of a record after by-layer and by-block resolution.
  std::uint32_t ResolveImportColour(std::uint32_t color, const InsertChainLink* chain, const cOneObjRec& record) const;

  // The drawing data the style caches below belong to, the line style made
  // for each import line type, the font of each import text style and the
  // fill style made for each hatch pattern (-1: not made yet).
  cDrawingData* styledData = nullptr;
  std::vector<std::int32_t> lineStyleOfType, fontOfStyle, fillStyleOfPattern, textStyleOfStyle;
  // The import style the last styled text named (by handle, or by its name
  // as written) and the one found for it: texts come in runs of one style.
  struct LastTextStyle {
    std::uint64_t handle = 0;
    WString name;
    std::uint32_t index = ~std::uint32_t(0);  // none yet
  } lastTextStyle;

  // Inserts nest at most this deep (the cut is told). An insert array makes
  // every cell: the forecast alone bounds how many.
  std::uint32_t maxInsertDepth = 64;
  // The refusal of a drawing whose forecast cost (model/DrawingCost.h) is
  // past a ceiling.
  static constexpr int kStrImportTooLarge = kStrDrawingTooLarge;
  // One sheet the assembly builds: from which block, in which mode (1
  // model space, 2 paper space, 0 all), kept when empty, seen through
  // which viewport.
  struct SheetSource {
    WString name;
    YxxfBlockRec* block = nullptr;
    int mode = 0;
    bool keepEmpty = false;
    const YxxfViewportRec* viewport = nullptr;
  };
  // The sheets in the order they are built: the model, the paper, the
  // further layouts.
  std::vector<SheetSource> SheetSources(const YxxfLayoutRec* modelLayout, const YxxfViewportRec* modelViewport);
  // The cost of every sheet the assembly will build, taken from the records
  // before anything is converted: what the open keeps (each insert's
  // generated block, shared between top-level inserts alike), the largest
  // top-level placement a paint expands, and what one paint of a sheet
  // walks (each paper view walking the model once more). Nested blocks
  // that multiply past a ceiling are refused here, in about a millisecond
  // (bench/ImportBombBench.cpp). False with the stop message when the
  // drawing is too large. `sources` begins with the model, whose objects
  // every view of the other sheets shows.
  bool ForeseeDrawing(const std::vector<SheetSource>& sources);
  DrawingCost ForecastCost(const std::vector<SheetSource>& sources);
  // The same for the sheets the records describe (for tests and bench/).
  DrawingCost ForecastCost();
  // Inserts skipped because their block is on their own insert chain.
  std::uint64_t selfInserts = 0;
  // Set when the import stopped; the message the user is shown.
  WString stopMessage;
  // ---- what the assembly may ask and load (set by the caller) ----
  // Who answers the assembly's questions (the view direction of 3-D content,
  // loading external references); null: nobody is asked, the view is the
  // active viewport's and references are loaded without asking.
  LoadQuestions* questions = nullptr;
  // The reference context of the load (document/ExternalReference.h) when
  // this drawing is itself loaded as a reference, else null.
  void* referenceContext = nullptr;
  bool quiet = false;
  // Set when the user cancelled the view question: no document.
  bool viewCancelled = false;
  // Set by the reader when the file was read only in part: the assembly
  // tells the user before it asks the view question (and sets `partialTold`);
  // otherwise the open dispatcher tells it after the open.
  bool partialPending = false;
  bool partialTold = false;
  // External-reference blocks placed by the built sheets, in the order of
  // their first placement; until the references are loaded the view objects
  // that show one carry its place here as their sheet index.
  std::vector<const YxxfBlockRec*> referenceBlocks;
  // Generated blocks of inserts that can share them, per sheet
  // (BlockConversion.cpp).
  SharedInsertBlocks sharedInsertBlocks;
  // Takes who answers, the quiet flag and the reference context from the
  // reader's context (nothing without one).
  void TakeQuestionsFrom(const FormatReadContext* context);
  const SharedInsertBlock* FindSharedBlock(const YxxfBlockRec& block, const InsertChainLink* parent,
                                           const YxxfEntInsert& insert, const ImportMatrix& m) const;
  void RememberSharedBlock(const YxxfBlockRec& block, const InsertChainLink* parent, const YxxfEntInsert& insert,
                           const ImportMatrix& m, std::uint32_t index);
  // An insert of an external-reference block: the view object that will
  // show the referenced drawing (null past 65535 referenced blocks).
  std::unique_ptr<cSection> MakeReferenceView(const YxxfEntInsert& insert, const YxxfBlockRec& block,
                                              const ImportMatrix& transform);
  // Loads the referenced drawings of the built sheets after them and points
  // their views at them; views of references not loaded are removed.
  void LoadReferences(cDrawingDoc& document, ProgressMonitor* monitor);
  // Things mended or left out, for the open result's warnings.
  std::vector<WString> warnings;

  // 65001 from version 1021 on, else the code page of $DWGCODEPAGE.
  std::uint16_t TextCodePage() const;
  // The index of layer "0", or kNoLayer when there is none.
  std::uint16_t DefaultLayerIndex() const;
  // The level of an entity from its group 8 (see the class comment).
  std::uint16_t LevelOf(const YxxfGroupRecord& record);

  // Spooling: entity records added with the spool flag are written here.
  void SetSpoolStream(std::unique_ptr<OutFileStream> stream);
  OutFileStream* SpoolStream() const { return spool_.get(); }

  // ---- header values ----
  int kind = 0;
  std::int32_t drawingVersion = 0;
  std::int32_t lunits = -1, luprec = -1, aunits = -1, auprec = -1;
  std::uint16_t codePage = 0;
  double ltScale = 0.0;

  // ---- state ----
  YxxfBlockRec* currentBlock = nullptr;
  cOneObjRec* currentPolyline = nullptr;
  cOneObjRec* currentAttributeOwner = nullptr;

  // ---- lists ----
  OwnedArray<cOneObjRec> unowned{8};
  OwnedArray<YxxfClassRec> classes{8};
  OwnedArray<YxxfLineTypeRec> lineTypes{8};
  OwnedArray<YxxfUcsRec> ucsList{8};
  OwnedArray<YxxfStyleRec> styles{8};
  OwnedArray<YxxfLayerRec> layers{8};
  OwnedArray<YxxfBlockRec> blocks{8};
  OwnedArray<YxxfLayoutRec> layouts{8};
  OwnedArray<YxxfBlockTableRec> blockTableRecords{8};
  OwnedArray<YxxfSortTableRec> sortTables{8};
  OwnedArray<YxxfViewportRec> viewports{8};
  WString fileName;
  OwnedArray<YxxfImageDefRec> imageDefs{8};
  // The file an IMAGE shows through its definition (the stored path, else
  // its name beside the drawing); empty when there is none.
  WString ImageFile(std::uint64_t imageDefHandle) const;
  // A picture file loaded for IMAGE records: every record of that file
  // shares it (and the forecast counts it once). Null when the file gave no
  // picture: `tooLarge` when it was refused for its size, `missing` when no
  // file of its name was found (the key is then the stored name after a
  // NUL, which no path holds); `inPart` when it shows what could be read
  // of a damaged file.
  struct LoadedPicture {
    std::shared_ptr<const cBitmap> picture;
    bool tooLarge = false;
    bool missing = false;
    bool inPart = false;
  };
  std::unordered_map<std::u16string, LoadedPicture> loadedPictures;
  // The fill styles made for pattern hatches, shared by equal patterns; a
  // hatch polygon's fill-style index points here until the assembly moves
  // them into the drawing's table.
  OwnedArray<cStyleFill> hatchStyles{8};
  std::uint64_t modelSpaceRecord = 0, paperSpaceRecord = 0, byLayerLineType = 0, byBlockLineType = 0;
  YxxfBlockRec defaultBlock{WString(), Vec3{}, 0, 0, 0, 0, 0};

  ImportStatistics statistics;

 private:
  // Entity dispatch (EntityDispatch.cpp).
  void DispatchTable(const YxxfGroupRecord& record, int code);
  void DispatchProxy(YxxfGroupRecord& record, const std::string& name);
  void Dispatch3DFace(const YxxfGroupRecord& record, const std::string& name);
  // Point-sequence entities (GeometryDispatch.cpp).
  void DispatchPolyline(const YxxfGroupRecord& record, const std::string& name);
  void DispatchVertex(const YxxfGroupRecord& record, const std::string& name);
  void DispatchLwPolyline(const YxxfGroupRecord& record, const std::string& name);
  void DispatchLeader(const YxxfGroupRecord& record, const std::string& name);
  void DispatchMLine(const YxxfGroupRecord& record, const std::string& name);
  void DispatchSpline(const YxxfGroupRecord& record, const std::string& name);
  void DispatchMLeader(YxxfGroupRecord& record, const std::string& name);
  // TEXT, MTEXT, ATTDEF, ATTRIB (TextDispatch.cpp).
  void DispatchText(YxxfGroupRecord& record, int code, const std::string& name);
  // Several records of one entity, counted once.
  void AddEntities(const YxxfGroupRecord& record, std::vector<std::unique_ptr<cOneObjRec>> records,
                   const std::string& name);
  // Adds one record and counts the entity as handed over (or dropped) in
  // the space of its owner.
  void AddEntity(const YxxfGroupRecord& record, std::unique_ptr<cOneObjRec> entityRecord, bool spool,
                 const std::string& name);
  void HandleHeader(const YxxfGroupRecord& record);
  ImportSpace SpaceOf(const YxxfBlockRec* owner, const YxxfGroupRecord& record) const;
  // Whether a block's records are drawn where the file puts them: the
  // default block and the paper layouts' blocks (the others only where
  // inserts place them).
  bool SheetBlock(const YxxfBlockRec& block) const;
  // AddRecord with the owner already found (FindOwnerBlock), so that an
  // entity counted by its space looks its owner up once.
  bool AttachRecord(const YxxfGroupRecord& record, YxxfBlockRec* owner, std::unique_ptr<cOneObjRec> entityRecord,
                    bool spool);
  // Layer records.
  std::uint16_t LayerZero();
  std::uint16_t AddImplicitLayer(const WString& name, std::uint64_t handle);
  void AddTableLayer(std::unique_ptr<YxxfLayerRec> layer);

  // Look-ups by name (ASCII upper case) and handle, so that a drawing with
  // tens of thousands of layers or blocks does not make every entity scan
  // them all. Layers and blocks are only ever appended; the indexes take in
  // the new ones on the next look-up (a block's alias handles count when the
  // block is first indexed).
  void IndexLayers();
  void IndexLayer(std::uint32_t index);
  YxxfBlockRec* BlockByHandle(std::uint64_t handle);

  // While a sheet is converted: every object ConvertBlock puts at the top
  // of the sheet, as it puts it there, so that the levels are numbered
  // without a walk down a chain of objects spread over the heap.
  std::vector<SheetObject>* sheetObjects_ = nullptr;
  // While the model is converted for the last time: its records that no
  // later walk reads are deleted as the conversion passes them, so that the
  // records and the objects made from them are not all held at once.
  bool releaseModelRecords_ = false;
  // A picture of a block lost where the conversion places it
  // (PictureLossWherePlaced), noted while a sheet is converted; counted
  // once per record, whatever its placements, when the sheet is kept (a
  // conversion built again for another view counts nothing). Block records
  // live as long as the reader.
  void NotePlacementLoss(const cOneObjRec& record, LossReason reason);
  void CountPlacementLosses();
  std::vector<std::pair<const cOneObjRec*, LossReason>> placementLosses_;
  std::unordered_set<const cOneObjRec*> placementLossesCounted_;
  std::unique_ptr<OutFileStream> spool_;
  std::unordered_map<std::u16string, std::uint16_t> layerByName_;
  std::unordered_map<std::uint64_t, std::uint16_t> layerByHandle_;
  std::uint32_t layersIndexed_ = 0;
  std::unordered_map<std::uint64_t, YxxfBlockRec*> blockByHandle_;
  std::uint32_t blocksIndexed_ = 0;
  // FindBlock's indexes, built again for each assembly (the reading fills
  // in a block's keys after appending it).
  BlockLookup blockLookup_;
  // The index of layer "0" as last found, valid while the layer count and
  // the count of layers filled in place are what they were then (the
  // styling asks for it once per made object).
  mutable std::uint32_t zeroForCount_ = 0xFFFFFFFFu, zeroForRefills_ = 0;
  mutable std::uint16_t zeroIndex_ = kNoLayer;
  std::uint32_t layerRefills_ = 0;
  // The level of the last narrow layer names by their bytes and code page:
  // drawings name a few layers over and over, and the map below answers a
  // name the same way for the rest of the read once it holds it.
  std::unordered_map<std::string, std::uint16_t> levelOfNarrowName_;
  std::uint16_t levelNamesCodePage_ = 0;
  // Narrow layer names LevelOf answered from the map lately, with their
  // answers, each in the slot its hash names.
  struct RecentLevel {
    std::string name;
    std::uint16_t level = 0;
    bool known = false;
  };
  static constexpr std::size_t kRecentLevels = 64;
  std::array<RecentLevel, kRecentLevels> recentLevels_;
  // Layers created for entities before (or without) their table entry.
  GrowArray<std::uint8_t> implicitLayer_{8};
  // Attributes announced by an INSERT. It stands for the open insert record
  // while that is not built.
  bool attributesOpen_ = false;
  // The DXF name of the entity being dispatched (empty on the DWG road).
  std::string currentName_;
  // A proxy's decoded record is being dispatched.
  bool decodingProxy_ = false;
};

}  // namespace kvn
