// The page-group filter on PDFs cairo writes and on hand-made streams: the
// groups of the chosen page dictionaries blanked, nothing else changed,
// the same bytes out however the stream is cut into writes.
#include "platform/print/PageGroupFilter.h"

#include <cairo-pdf.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TestData.h"

namespace kvn {
namespace {

cairo_status_t Collect(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// Three pages as a print makes them: opaque lines and a fill, a
// semi-transparent fill, a picture, and a group painted with alpha (a form
// with a transparency group of its own, which must stay).
std::string ThreePagePdf() {
  std::string pdf;
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(Collect, &pdf, 200, 150);
  cairo_t* cr = cairo_create(surface);
  for (int page = 0; page < 3; ++page) {
    cairo_set_source_rgb(cr, 0, 0, 0.5);
    cairo_set_line_width(cr, 3);
    for (int i = 0; i < 20; ++i) {
      cairo_move_to(cr, 10 + 5 * i, 10);
      cairo_line_to(cr, 20 + 5 * i, 120);
    }
    cairo_stroke(cr);
    cairo_set_source_rgba(cr, 1, 0, 0, 0.5);
    cairo_rectangle(cr, 40, 40, 100, 60);
    cairo_fill(cr);
    if (page == 2) {
      cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4);
      cairo_set_source_surface(cr, image, 150, 20);
      cairo_paint(cr);
      cairo_surface_destroy(image);
      cairo_push_group(cr);
      cairo_set_source_rgb(cr, 0, 0.6, 0);
      cairo_arc(cr, 160, 110, 20, 0, 6.3);
      cairo_fill(cr);
      cairo_pop_group_to_source(cr);
      cairo_paint_with_alpha(cr, 0.4);
    }
    cairo_show_page(cr);
  }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  cairo_surface_destroy(surface);
  return pdf;
}

std::string Filter(const std::string& in, const std::vector<bool>& decisions, const std::vector<std::size_t>& cuts) {
  PageGroupFilter filter;
  for (bool d : decisions) filter.DecidePage(d);
  std::vector<std::uint8_t> out;
  std::size_t from = 0;
  auto bytes = reinterpret_cast<const std::uint8_t*>(in.data());
  for (std::size_t cut : cuts) {
    filter.Write(bytes + from, cut - from, out);
    from = cut;
  }
  filter.Write(bytes + from, in.size() - from, out);
  filter.Finish(out);
  return std::string(out.begin(), out.end());
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The dictionary of page `n` (from 1) as cairo writes it: "<< /Type /Page % n" to "endobj".
std::string PageDictionary(const std::string& pdf, int n) {
  const std::size_t at = pdf.find("<< /Type /Page % " + std::to_string(n) + "\n");
  if (at == std::string::npos) return {};
  return pdf.substr(at, pdf.find("endobj", at) - at);
}

// Every object the cross-reference table lists starts where it says.
void ExpectXrefHolds(const std::string& pdf) {
  const std::size_t xref = pdf.rfind("\nxref\n");
  ASSERT_NE(xref, std::string::npos);
  std::size_t first = 0, count = 0;
  ASSERT_EQ(std::sscanf(pdf.c_str() + xref + 6, "%zu %zu", &first, &count), 2);
  std::size_t line = pdf.find('\n', xref + 6) + 1;
  for (std::size_t i = 0; i < count; ++i, line += 20) {
    unsigned long offset = 0, generation = 0;
    char kind = 0;
    ASSERT_EQ(std::sscanf(pdf.c_str() + line, "%lu %lu %c", &offset, &generation, &kind), 3);
    if (kind != 'n') continue;
    const std::string head = std::to_string(first + i) + " 0 obj";
    EXPECT_EQ(pdf.compare(offset, head.size(), head), 0) << "object " << first + i << " at " << offset;
  }
}

TEST(PageGroupFilter, TheChosenPagesLoseTheirGroupAndNothingElseChanges) {
  const std::string pdf = ThreePagePdf();
  ASSERT_EQ(Count(pdf, "/S /Transparency"), 4u) << "three pages and the form";
  const std::string out = Filter(pdf, {true, false, true}, {});
  ASSERT_EQ(out.size(), pdf.size());
  ExpectXrefHolds(out);
  EXPECT_EQ(PageDictionary(out, 1).find("/Group"), std::string::npos) << PageDictionary(out, 1);
  EXPECT_NE(PageDictionary(out, 2).find("/S /Transparency"), std::string::npos);
  EXPECT_EQ(PageDictionary(out, 3).find("/Group"), std::string::npos);
  // The form's group stays.
  EXPECT_EQ(Count(out, "/S /Transparency"), 2u);
  // Only bytes of the two page dictionaries changed, and only to spaces.
  const std::size_t page1 = pdf.find("<< /Type /Page % 1\n"), page3 = pdf.find("<< /Type /Page % 3\n");
  for (std::size_t i = 0; i < pdf.size(); ++i) {
    if (out[i] == pdf[i]) continue;
    EXPECT_EQ(out[i], ' ') << "at " << i;
    const bool inPage1 = i > page1 && i < pdf.find("endobj", page1);
    const bool inPage3 = i > page3 && i < pdf.find("endobj", page3);
    EXPECT_TRUE(inPage1 || inPage3) << "changed at " << i;
  }
  // Exactly the groups of pages 1 and 3 are blanked, line ends kept.
  std::string expected = pdf;
  for (int page : {1, 3}) {
    const std::size_t from = pdf.find("/Group <<", pdf.find("<< /Type /Page % " + std::to_string(page) + "\n"));
    const std::size_t to = pdf.find(">>", from) + 2;
    for (std::size_t i = from; i < to; ++i)
      if (expected[i] != '\n') expected[i] = ' ';
  }
  EXPECT_TRUE(out == expected);
  // No decision: every page keeps its group.
  EXPECT_EQ(Filter(pdf, {}, {}), pdf);
}

// However the stream is cut into writes, the same bytes come out: one byte
// at a time, every cut around a page's group, and seeded random pieces.
TEST(PageGroupFilter, PiecesOfAnySizeGiveTheSameStream) {
  const std::string pdf = ThreePagePdf();
  const std::vector<bool> decisions = {true, true, true};
  const std::string whole = Filter(pdf, decisions, {});
  ASSERT_EQ(Count(whole, "/S /Transparency"), 1u);
  std::vector<std::size_t> everyByte;
  for (std::size_t i = 1; i < pdf.size(); ++i) everyByte.push_back(i);
  EXPECT_EQ(Filter(pdf, decisions, everyByte), whole);
  const std::size_t page2 = pdf.find("<< /Type /Page % 2\n");
  const std::size_t end2 = pdf.find("endobj", page2) + 8;
  for (std::size_t cut = page2 - 30; cut < end2; ++cut) {
    ASSERT_EQ(Filter(pdf, decisions, {cut}), whole) << "cut at " << cut - page2 << " of the page dictionary";
  }
  std::mt19937 random(11);
  std::uniform_int_distribution<std::size_t> piece(1, 64);
  for (int round = 0; round < 20; ++round) {
    std::vector<std::size_t> cuts;
    for (std::size_t at = piece(random); at < pdf.size(); at += piece(random)) cuts.push_back(at);
    ASSERT_EQ(Filter(pdf, decisions, cuts), whole) << "round " << round;
  }
}

// What is not a page dictionary's own group passes untouched, also when a
// page's dictionary and a group's text sit in a stream body.
TEST(PageGroupFilter, StreamsFormsAndOtherGroupsPass) {
  const std::string group = "/Group << /Type /Group /S /Transparency /I true /CS /DeviceRGB >>";
  const std::string cases[] = {
      // A stream body holding the very text of a page with its group.
      "4 0 obj\n<< /Length 99 >>\nstream\n2 0 obj\n<< /Type /Page % 1\n   " + group + "\n>>\nendstream\nendobj\n",
      // A form's group, the page tree's, a group by reference, another name.
      "5 0 obj\n<< /Type /XObject /Subtype /Form " + group + " >>\nendobj\n",
      "1 0 obj\n<< /Type /Pages " + group + " >>\nendobj\n",
      "2 0 obj\n<< /Type /Page % 1\n   /Group 7 0 R\n   /Groups << >>\n>>\nendobj\n",
      // A group past any sensible length (damaged) is left as it is.
      "2 0 obj\n<< /Type /Page % 1\n   /Group << /S /Transparency " + std::string(5000, 'x') + " >>\n>>\nendobj\n",
      // A dictionary that never ends: held bytes come out at the end.
      "2 0 obj\n<< /Type /Page % 1\n   /Group << /S /Transparency",
  };
  for (const std::string& text : cases) {
    EXPECT_EQ(Filter(text, {true}, {}), text) << text.substr(0, 60);
  }
  // The page itself, for contrast: the group goes, the length stays.
  const std::string page = "2 0 obj\n<< /Type /Page % 1\n   " + group + "\n   /Contents 4 0 R\n>>\nendobj\n";
  const std::string out = Filter(page, {true}, {});
  EXPECT_EQ(out, "2 0 obj\n<< /Type /Page % 1\n   " + std::string(group.size(), ' ') + "\n   /Contents 4 0 R\n>>\nendobj\n");
  // A decision is used by a page dictionary only: the one after a stream
  // that only looked like one takes it.
  const std::string both = cases[0] + page;
  EXPECT_EQ(Filter(both, {true}, {}), cases[0] + out);
}

std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

// Without their groups the pages look the same: the semi-transparent fill
// still blends, pixel for pixel as before (pdftoppm at 72 dpi).
TEST(PageGroupFilter, PagesWithoutTheGroupDrawTheSame) {
  test::ScratchDir scratch;
  const std::string pdf = ThreePagePdf();
  const std::string before = (scratch.Path() / "before.pdf").string(), after = (scratch.Path() / "after.pdf").string();
  std::ofstream(before, std::ios::binary) << pdf;
  std::ofstream(after, std::ios::binary) << Filter(pdf, {true, true, true}, {});
  const std::string info = RunCommand("pdfinfo '" + after + "' 2>&1");
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
  EXPECT_EQ(info.find("Error"), std::string::npos) << info;
  for (int page = 1; page <= 3; ++page) {
    const std::string render = "pdftoppm -r 72 -f " + std::to_string(page) + " -l " + std::to_string(page) + " '";
    const std::string a = RunCommand(render + before + "'"), b = RunCommand(render + after + "'");
    ASSERT_GT(a.size(), 200u * 150u * 3u);
    EXPECT_TRUE(a == b) << "page " << page;
  }
}

}  // namespace
}  // namespace kvn
