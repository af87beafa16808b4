// What the DWG reader found in a file, for kvn-dump's "source" object: given
// by the caller through the open request (null: nothing is recorded).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kvn {

struct DwgLoadReport {
  // "DWG", or "DXF" or "DGN" when the DXF or DGN reader filled the report
  // (DGN: entities by V7 element type, skipped with their reasons, layers,
  // cells as blocks, the read error).
  std::string format = "DWG";
  // The six-character version string ("AC1015").
  std::string version;
  // DXF only: "ASCII" or "binary"; block-definition entities by type;
  // VERTEX, SEQEND and ATTRIB apart; the read error (empty when the file
  // was read to its EOF). DXF and DWG: paper-space entities by type.
  std::string encoding;
  std::map<std::string, std::uint64_t> paper;
  std::map<std::string, std::uint64_t> blockEntities;
  std::map<std::string, std::uint64_t> subEntities;
  std::string readError;
  // The header variables were read and their check word matched.
  bool headerChecked = false;
  // Model-space entities as the file holds them, per DXF type name (class
  // objects by their class's DXF name), whatever the import makes of them.
  std::map<std::string, std::uint64_t> entities;
  // Every object read with its handler, per DWG type name.
  std::map<std::string, std::uint64_t> objects;
  // Records handed to the import, per entity name.
  std::map<std::string, std::uint64_t> dispatched;
  // Objects not taken, per type, and per type and reason.
  std::map<std::string, std::uint64_t> skipped;
  std::map<std::string, std::map<std::string, std::uint64_t>> skippedReasons;
  // R11/R12 records whose body was shorter or longer than their stated
  // length, per entity type.
  std::map<std::string, std::uint64_t> realigned;
  // What the open result's warnings tell the user (the drawing opened).
  std::vector<std::string> warnings;
  std::vector<std::string> layers;
  std::vector<std::string> blocks;
  // Pages of the paged layouts (R2004 on): read per section, and the one
  // that failed a section with its reason ("checksum", "decompression",
  // "read", "size", "Reed-Solomon").
  std::map<std::string, std::uint64_t> pagesRead;
  std::vector<std::pair<std::string, std::string>> pagesFailed;
};

}  // namespace kvn
