// Where outline faces come from: the faces fontconfig knows (outline fonts
// only, listed once and each described when first asked for), and private memory fonts that drawings carry.
// Each face is described the way the program's font code expects of Windows:
// its family names, weight, italic flag, the Windows character sets of its
// OS/2 code-page bits and a pitch-and-family byte.
//
// Liberation Sans, Sans Narrow, Serif and Mono are metric-compatible with
// Arial, Arial Narrow, Times New Roman and Courier New; where those faces are
// not installed, the Liberation faces are listed under their names as well.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/WString.h"

struct FT_LibraryRec_;

namespace kvn {

struct FaceSource {
  std::string file;  // empty for a memory font
  int index = 0;     // face index within the file
  std::shared_ptr<const std::vector<std::uint8_t>> memory;
  std::vector<WString> families;  // the first is the face's own family name
  int weight = 400;
  bool italic = false;
  bool symbolCmap = false;  // has a (3, 0) character map
  std::uint32_t codePages = 0;  // OS/2 ulCodePageRange1
  std::uint8_t pitchAndFamily = 0x22;
  std::int64_t version = 0;  // font revision, to prefer the newer of two files
};

// The Windows character sets a face is reported in, in code-page bit order;
// a face without code-page bits is reported in SYMBOL_CHARSET when it has a
// symbol character map, else in ANSI_CHARSET.
std::vector<std::uint8_t> CharsetsOfFace(const FaceSource& face);
// Whether the face can show text of that character set (DEFAULT_CHARSET: any).
bool FaceHasCharset(const FaceSource& face, std::uint8_t charset);

// The installed outline faces, in a fixed order (family, then file).
const std::vector<FaceSource>& InstalledFaces();
// The installed faces whose family names include `name` (case and accents
// ignored), in the order above; only these faces are opened.
std::vector<FaceSource> InstalledFacesOfFamily(const WString& name);
// How many installed faces have been opened and described so far (tests).
std::size_t DescribedInstalledFaces();
// The faces whose family names include `name` (case and accents ignored):
// memory fonts first, then installed faces.
std::vector<FaceSource> FacesOfFamily(const WString& name);

// fontconfig's best outline face for a family nobody has (it always
// answers while any font is installed); false with none at all.
bool MatchBestFace(const WString& family, FaceSource& out);
// The installed family fontconfig chooses for a family nobody has, asked
// with the weight, slant and pitch of the text (pitch-and-family byte: low
// bits 1 fixed pitch, high nibble 1 roman, 2 swiss, 3 modern, 4 script,
// 5 decorative, each also asked as fontconfig's generic family); empty with
// no fonts at all.
WString MatchStyledFamily(const WString& family, int weight, bool italic, std::uint8_t pitchAndFamily);

// Makes the font layer use the fontconfig file `path` (an empty path: the
// configuration the environment names) and forget every list and cache built
// from the previous one. For tests and tools.
void UseFontConfigFile(const std::string& path);
// Grows by one whenever the installed faces may have changed (memory fonts
// are not installed faces).
std::uint64_t FontSourceGeneration();
// Grows by one whenever the face a LogFont chooses may have changed: the
// installed faces as above, or a memory font added or removed.
std::uint64_t FontChoiceGeneration();

// Memory fonts: a handle above 0, or 0 when the bytes hold no outline face.
// The family names of the face are read from its name table.
int AddMemoryFont(std::vector<std::uint8_t> bytes);
void RemoveMemoryFont(int handle);

// The one FreeType library of the font layer.
::FT_LibraryRec_* FreeTypeLibrary();

}  // namespace kvn
