#include "platform/print/PageGroupFilter.h"

#include <cstring>

namespace kvn {

namespace {

// PDF white space and delimiters: what may follow a name.
bool EndsName(std::uint8_t c) {
  switch (c) {
    case 0: case '\t': case '\n': case '\f': case '\r': case ' ':
    case '(': case ')': case '<': case '>': case '[': case ']': case '{': case '}': case '/': case '%':
      return true;
    default:
      return false;
  }
}

bool IsWhite(std::uint8_t c) { return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

}  // namespace

PageGroupFilter::Matcher::Matcher(std::string_view pattern) : pattern_(pattern), fallback_(pattern.size() + 1, 0) {
  // Knuth-Morris-Pratt: the longest proper prefix that is also a suffix of
  // each prefix, so that no match split by a false start is missed.
  for (std::size_t i = 1, k = 0; i < pattern_.size(); ++i) {
    while (k > 0 && pattern_[i] != pattern_[k]) k = fallback_[k];
    if (pattern_[i] == pattern_[k]) ++k;
    fallback_[i + 1] = k;
  }
}

bool PageGroupFilter::Matcher::Feed(std::uint8_t byte) {
  while (matched_ > 0 && std::uint8_t(pattern_[matched_]) != byte) matched_ = fallback_[matched_];
  if (std::uint8_t(pattern_[matched_]) == byte) ++matched_;
  if (matched_ < pattern_.size()) return false;
  matched_ = fallback_[matched_];
  return true;
}

void PageGroupFilter::Write(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
  std::size_t i = 0;
  while (i < size) {
    // A stream body is most of the document: it is passed on in runs up to
    // the next byte that may start "endstream".
    if (state_ == State::Stream && streamEnd_.Matched() == 0) {
      const void* e = std::memchr(data + i, 'e', size - i);
      const std::size_t run = e ? std::size_t(static_cast<const std::uint8_t*>(e) - (data + i)) : size - i;
      out.insert(out.end(), data + i, data + i + run);
      i += run;
      if (i == size) break;
    }
    Feed(data[i++], out);
  }
}

void PageGroupFilter::Finish(std::vector<std::uint8_t>& out) { ReleaseHeld(false, out); }

void PageGroupFilter::ReleaseHeld(bool blank, std::vector<std::uint8_t>& out) {
  for (std::uint8_t c : held_) out.push_back(blank && c != '\n' && c != '\r' ? std::uint8_t(' ') : c);
  held_.clear();
}

void PageGroupFilter::Feed(std::uint8_t byte, std::vector<std::uint8_t>& out) {
  auto enter = [this](State state) {
    state_ = state;
    pageStart_.Reset();
    streamStart_.Reset();
    streamEnd_.Reset();
    objectEnd_.Reset();
    groupKey_.Reset();
    sawAngle_ = false;
  };
  switch (state_) {
    case State::Outside: {
      out.push_back(byte);
      const bool page = pageStart_.Feed(byte);
      const bool stream = streamStart_.Feed(byte);
      if (page) enter(State::PageNamed);
      else if (stream) enter(State::Stream);
      return;
    }
    case State::PageNamed: {
      out.push_back(byte);
      // "/Pages", "/PageLabel" and the like are other names.
      if (!EndsName(byte)) return enter(State::Outside);
      bool drop = false;
      if (!decisions_.empty()) {
        drop = decisions_.front();
        decisions_.pop_front();
      }
      return enter(drop ? State::Page : State::Outside);
    }
    case State::Stream:
      out.push_back(byte);
      if (streamEnd_.Feed(byte)) enter(State::Outside);
      return;
    case State::Page: {
      held_.push_back(byte);
      const bool group = groupKey_.Feed(byte);
      const bool end = objectEnd_.Feed(byte);
      if (group) {
        state_ = State::GroupKey;
        sawAngle_ = false;
        return;
      }
      // Only the bytes that may still begin "/Group" stay held.
      const std::size_t keep = groupKey_.Matched();
      out.insert(out.end(), held_.begin(), held_.end() - std::ptrdiff_t(keep));
      held_.erase(held_.begin(), held_.end() - std::ptrdiff_t(keep));
      if (end) enter(State::Outside);
      return;
    }
    case State::GroupKey:
      held_.push_back(byte);
      if (byte == '<') {
        if (sawAngle_) {
          state_ = State::GroupDict;
          depth_ = 1;
          sawAngle_ = false;
        } else {
          sawAngle_ = true;
        }
        return;
      }
      // Right after the name a delimiter must follow; then only white space
      // before "<<". Anything else (another name, a reference to an object)
      // is left as it is.
      if (!sawAngle_ && (IsWhite(byte) || (held_.size() == 7 && EndsName(byte)))) return;
      ReleaseHeld(false, out);
      return enter(State::Page);
    case State::GroupDict:
      held_.push_back(byte);
      if (held_.size() > kMaxGroupBytes) {
        ReleaseHeld(false, out);
        return enter(State::Page);
      }
      if (byte != '<' && byte != '>') {
        sawAngle_ = false;
        return;
      }
      if (!sawAngle_ || angle_ != byte) {
        sawAngle_ = true;
        angle_ = byte;
        return;
      }
      sawAngle_ = false;
      depth_ += byte == '<' ? 1 : -1;
      if (depth_ > 0) return;
      ReleaseHeld(true, out);
      // One group a page: the rest of the dictionary passes.
      return enter(State::Outside);
  }
}

}  // namespace kvn
