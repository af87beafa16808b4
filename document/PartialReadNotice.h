// The one notice of a drawing read only in part: the reader's own text
// ("File read error."), the file's name, and our line saying that the file
// is damaged and what could be read is shown; the reader's other warnings
// (things mended or left out) follow after an empty line.
#pragma once

#include "document/DocumentResult.h"
#include "document/LoadQuestions.h"
#include "foundation/WString.h"

namespace kvn {

inline constexpr int kStrFileReadError = 19136;
inline constexpr int kStrPartialReadShown = 19797;

// The notice as a question of one OK button, for a reader that tells it
// before it asks something else (the view direction of its drawing).
LoadQuestion PartialReadNotice(const WString& path);

// The notice as a text: the reader's text, the name, our line.
WString PartialReadText(const WString& path);

// The text the open shows after a document came back: the notice when the
// document is partial (and the reader did not tell it already, unless
// `evenIfTold`), then every warning; empty when there is nothing to tell.
WString OpenWarningText(const DocumentResult& result, const WString& path, bool evenIfTold = false);

}  // namespace kvn
