// Octree colour reduction: every colour walks down the tree by its bits
// (red, green, blue of each level from the top), the deepest inner node with
// the fewest pixels is merged whenever the tree holds too many leaves, and
// the leaves' average colours make the palette.
#include <algorithm>
#include <array>

#include "render/DibConversion.h"

namespace kvn {

struct OctreeQuantizer::Node {
  std::array<std::unique_ptr<Node>, 8> children;
  std::uint32_t pixels = 0;
  std::uint32_t red = 0, green = 0, blue = 0;
  int level = 0;
  bool leaf = false;
};

OctreeQuantizer::OctreeQuantizer(std::uint32_t maxColors, bool grey)
    : maxColors_(maxColors), grey_(grey), root_(std::make_unique<Node>()) {
  root_->level = 7;
}

OctreeQuantizer::~OctreeQuantizer() = default;

bool OctreeQuantizer::AddColor(std::uint32_t color) {
  if (grey_) {
    const std::uint32_t l = ColorLightness(color);
    color = l | (l << 8) | (l << 16);
  }
  color &= 0xFFFFFF;
  if (reserveBlackAndWhite_ && (color == 0 || color == 0xFFFFFF)) return true;
  const std::uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  Node* node = root_.get();
  ++node->pixels;
  while (!node->leaf) {
    const int l = node->level;
    const std::size_t i = (((r >> l) & 1) * 2 + ((g >> l) & 1)) * 2 + ((b >> l) & 1);
    if (!node->children[i]) {
      auto child = std::make_unique<Node>();
      child->level = l - 1;
      child->leaf = child->level == 0;
      if (child->leaf)
        ++leafCount_;
      else
        reducible_[child->level].push_back(child.get());
      node->children[i] = std::move(child);
    }
    node = node->children[i].get();
    ++node->pixels;
  }
  node->red += r;
  node->green += g;
  node->blue += b;
  const std::uint32_t limit = reserveBlackAndWhite_ ? (maxColors_ > 2 ? maxColors_ - 2 : 0) : maxColors_;
  while (leafCount_ > limit)
    if (!Reduce()) return false;
  return true;
}

bool OctreeQuantizer::Reduce() {
  for (auto& list : reducible_) {
    if (list.empty()) continue;
    // Deepest level first, then the node with the fewest pixels (the first
    // of equals): merging it loses the least.
    auto it = std::min_element(list.begin(), list.end(),
                               [](const Node* a, const Node* b) { return a->pixels < b->pixels; });
    Node* node = *it;
    list.erase(it);
    for (auto& child : node->children) {
      if (!child) continue;
      node->red += child->red;
      node->green += child->green;
      node->blue += child->blue;
      --leafCount_;
      child.reset();
    }
    node->leaf = true;
    ++leafCount_;
    return true;
  }
  return false;
}

void OctreeQuantizer::Collect(const Node& node, std::vector<std::uint32_t>* out) const {
  if (node.leaf) {
    const std::uint32_t n = std::max<std::uint32_t>(node.pixels, 1);
    out->push_back((node.red / n) | ((node.green / n) << 8) | ((node.blue / n) << 16));
    return;
  }
  for (const auto& child : node.children)
    if (child) Collect(*child, out);
}

std::vector<std::uint32_t> OctreeQuantizer::GetPalette() const {
  std::vector<std::uint32_t> palette;
  if (reserveBlackAndWhite_) palette = {0, 0xFFFFFF};
  Collect(*root_, &palette);
  if (palette.size() < maxColors_) palette.resize(maxColors_, 0);
  return palette;
}

}  // namespace kvn
