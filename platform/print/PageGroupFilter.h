// PageGroupFilter: takes the transparency group out of chosen page
// dictionaries of a PDF stream as cairo writes it, while it streams.
//
// cairo's PDF surface gives every page dictionary a transparency group
// (`/Group << /Type /Group /S /Transparency /I true /CS /DeviceRGB >>`) and
// has no setting to leave it out. Debian's cups-pdf conversion chain turns
// every page that carries one into a 300-dpi picture, even a page of plain
// lines. Without the group a page of opaque drawing is the same page, and a
// semi-transparent fill still blends (its graphics state holds its alpha),
// now straight onto the paper.
//
// The group is blanked with spaces, so that the stream keeps its length and
// every offset of the cross-reference table stays right. Only a page
// dictionary ("N 0 obj\n<< /Type /Page" as cairo starts it) is looked in;
// stream bodies (content streams, pictures, fonts), form dictionaries and
// everything else pass byte for byte. The stream may come in pieces of any
// size: a dictionary split across two writes is found all the same, and
// bytes that may start the group are held back until it is known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

namespace kvn {

class PageGroupFilter {
 public:
  // Whether the next page dictionary of the stream not yet decided loses
  // its group; pages are decided in the order their dictionaries come. A
  // page with no decision keeps its group.
  void DecidePage(bool dropGroup) { decisions_.push_back(dropGroup); }

  // Feeds `size` bytes; appends to `out` the bytes that may go on.
  void Write(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);
  // The end of the stream: what was held back goes on unchanged.
  void Finish(std::vector<std::uint8_t>& out);

  // A group longer than this is left alone (cairo writes 97 bytes).
  static constexpr std::size_t kMaxGroupBytes = 4096;

 private:
  // A running match of one fixed pattern over the bytes seen.
  class Matcher {
   public:
    explicit Matcher(std::string_view pattern);
    // True when `byte` completes the pattern.
    bool Feed(std::uint8_t byte);
    std::size_t Matched() const { return matched_; }
    void Reset() { matched_ = 0; }

   private:
    std::string_view pattern_;
    std::vector<std::size_t> fallback_;
    std::size_t matched_ = 0;
  };

  enum class State {
    Outside,      // between objects and in dictionaries
    PageNamed,    // "<< /Type /Page" seen: one more byte tells /Page from /Pages
    Stream,       // in a stream body, until "endstream"
    Page,         // in a page dictionary whose group goes, until "endobj"
    GroupKey,     // after "/Group", before its dictionary opens
    GroupDict,    // in the group's dictionary
  };

  void Feed(std::uint8_t byte, std::vector<std::uint8_t>& out);
  void ReleaseHeld(bool blank, std::vector<std::uint8_t>& out);

  State state_ = State::Outside;
  Matcher pageStart_{"obj\n<< /Type /Page"};
  Matcher streamStart_{">>\nstream"};
  Matcher streamEnd_{"endstream"};
  Matcher objectEnd_{"endobj"};
  Matcher groupKey_{"/Group"};
  std::deque<bool> decisions_;
  // The bytes from a possible "/Group" on, not yet passed on.
  std::vector<std::uint8_t> held_;
  int depth_ = 0;
  bool sawAngle_ = false;  // the previous byte of the group was '<' or '>' not yet paired
  std::uint8_t angle_ = 0;
};

}  // namespace kvn
