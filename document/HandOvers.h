// Hand-over points: work of other classes and folders that the document's
// readers call at fixed places of a read: block inserts and links, sections,
// the line symbols of old object records, the conversions of old drawings,
// the document fix-ups after a load, the rescaling of a whole drawing, font
// glyphs, and (installed by the printing layer) the paper sizes of old
// print formats.
#pragma once

#include <cstdint>
#include <vector>

namespace kvn {

class cBlock;
class cDrawing;
class cDrawingData;
class cDrawingDoc;
class cOutObj;
struct BlockListContext;
struct BodyState;

// ---- block and object lists ----
// The block index an insert stores (to re-base and check); null for every
// object that places no block.
std::uint32_t* InsertBlockIndexOf(cOutObj& object);
// Turns the symbol block of an old line record into a symbol line style
// bound to the object.
void ConvertOldSymbolLine(cOutObj& object, std::uint32_t symbolBlock, BlockListContext& context);
// Makes the inserts that a link's end ids name the link's end objects: a
// stored end number n names the n-th insert of the read (counted from 1 over
// every list of the drawing, in reading order), which is `inserts[n -
// firstInsertNumber - 1]` when it belongs to this list; the end then holds
// that insert's running id, otherwise 0.
void ConnectLinksToInserts(const std::vector<cOutObj*>& links, const std::vector<cOutObj*>& inserts,
                           std::uint32_t firstInsertNumber);

// ---- conversions of old drawings after a body is read ----
// Texts inside the symbols of line styles, before 3058.
void ConvertOldSymbolTexts(cDrawingData& data);
// Empty, repeated or blank-padded style names (before 3054).
void NormalizeOldStyleNames(cDrawingData& data);
// Right-aligned texts inside inserts (before 3056).
void ReanchorOldRightAlignedTexts(BodyState& state);
// The same on a drawing's data and top block: an insert whose block holds
// right-aligned texts of several lines gets its own copy of the block, in
// which those texts (and such labels) are anchored at their right end.
void ReanchorRightAlignedTextsOfDrawing(cDrawingData& data, cBlock& top);
// Anchors of styled texts (before 3077).
void ShiftOldStyledTextAnchors(BodyState& state);
// The same on a drawing's data and top block: anchors of texts that take
// their height from a style, in the top block and in blocks placed at one
// scale only (each block once).
void ShiftStyledTextAnchorsOfDrawing(cDrawingData& data, cBlock& top);
// Vertical-font names of font styles (before 3079).
void ConvertOldFontStyleNames(BodyState& state);
// Print formats given by two points and a paper (before 3082).
void ConvertOldPrintSettings(BodyState& state);
// The size in millimetres of a printer paper id (0 x 0 when unknown), for
// the formats of old drawings. The printing layer installs it at start-up;
// without it old formats keep their size.
using PaperSizeLookup = void (*)(int paperId, double& width, double& height);
PaperSizeLookup SetPaperSizeLookup(PaperSizeLookup lookup);

// ---- whole drawings ----
// Every length of the drawing (settings, levels, objects, blocks, styles)
// times the factor.
void RescaleDrawing(cDrawingData& data, cDrawing* drawing, cBlock& topBlock, double factor, bool wallStyles);
// The section views in the block that show `drawing` follow its new scale.
void ScaleSectionsShowing(cBlock& block, const cDrawing& drawing, double factor);
// The glyphs the object's texts need, loaded into the drawing's fonts.
void LoadGlyphsForObject(cDrawingData& data, cOutObj& object);

// ---- document fix-ups after the checksum ----
// Pictures inside turned blocks (before 3088).
void FixOldTurnedPictures(cDrawingDoc& document);
// A print area stored as a setting becomes a sheet of its own (before 3068).
void AddPrintAreaSheets(cDrawingDoc& document);

}  // namespace kvn
