// What the printing tests share: a tiled, paged drawing with a filled square
// in the middle of every tile of every page, a fake queue whose jobs keep
// the PDF they receive, message boxes recorded, English texts.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "model/ObjectChain.h"
#include "model/cDrawingData.h"
#include "model/cRectangle.h"
#include "print/PrintOut.h"
#include "tests/print/FakeSpooler.h"
#include "tests/support/Language.h"

namespace kvn::test {

// A job that keeps its document; the settings and the end it came to.
struct FakeJobRecord {
  SpoolerJobRequest request;
  std::string pdf;
  bool finished = false, cancelled = false;
};

class FakeJob final : public SpoolerJob {
 public:
  explicit FakeJob(FakeJobRecord& record) : record_(record) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    record_.pdf.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  int Finish() override {
    record_.finished = true;
    return 1;
  }
  void Cancel() override { record_.cancelled = true; }

 private:
  FakeJobRecord& record_;
};

// The fake spooler with jobs.
class JobSpooler final : public Spooler {
 public:
  explicit JobSpooler(FakeSpooler& queues) : queues_(queues) {}
  bool ListQueues(std::vector<std::string>& names, int& def) override { return queues_.ListQueues(names, def); }
  bool QueueDefaults(const std::string& q, PrinterSettings& s, std::uint32_t& e) override {
    return queues_.QueueDefaults(q, s, e);
  }
  bool QueueMedia(const std::string& q, std::vector<SpoolerMedium>& m) override { return queues_.QueueMedia(q, m); }
  bool QueueChoices(const std::string& q, SpoolerChoices& c, std::uint32_t& e) override {
    return queues_.QueueChoices(q, c, e);
  }
  std::unique_ptr<SpoolerJob> StartJob(const SpoolerJobRequest& request, int& code, std::string& text) override {
    if (refuse) {
      code = kSpError;
      text = "queue refused";
      return nullptr;
    }
    jobs.push_back(std::make_unique<FakeJobRecord>());
    jobs.back()->request = request;
    code = 1;
    return std::make_unique<FakeJob>(*jobs.back());
  }
  std::vector<std::unique_ptr<FakeJobRecord>> jobs;
  bool refuse = false;

 private:
  FakeSpooler& queues_;
};

// Pages of a PDF as cairo writes them: its "/Type /Page" objects.
inline int PdfPageCount(const std::string& pdf) {
  const std::string key = "/Type /Page";
  int pages = 0;
  for (std::size_t at = pdf.find(key); at != std::string::npos; at = pdf.find(key, at + key.size())) {
    if (at + key.size() < pdf.size() && pdf[at + key.size()] != 's') ++pages;
  }
  return pages;
}

class RecordedBoxes final : public MessageBoxBackend {
 public:
  RecordedBoxes() : previous_(SetMessageBoxBackend(this)) {}
  ~RecordedBoxes() override { SetMessageBoxBackend(previous_); }
  RecordedBoxes(const RecordedBoxes&) = delete;
  RecordedBoxes& operator=(const RecordedBoxes&) = delete;
  int Show(const cMsgDlg*, const WString& text, const WString&, std::uint32_t style) override {
    texts.push_back(text.ToUtf8());
    styles.push_back(style);
    return kIdOk;
  }
  std::vector<std::string> texts;
  std::vector<std::uint32_t> styles;

 private:
  MessageBoxBackend* previous_;
};

class TestOwner final : public cMsgDlg {
 public:
  void* GetWindowHandle() const override { return nullptr; }
  void* GetOwnerWindow() const override { return nullptr; }
};

class EnglishTexts {
 public:
  // With a fresh table too: one an earlier test loaded stays otherwise.
  EnglishTexts() : saved_(GetLanguageIndex()) { UseLanguage(kLanguageEnglish); }
  ~EnglishTexts() { UseLanguage(saved_); }
  EnglishTexts(const EnglishTexts&) = delete;
  EnglishTexts& operator=(const EnglishTexts&) = delete;

 private:
  int saved_;
};

// A drawing of `pages` pages with a format of width x height mm (margins 0)
// tiled across x down; every tile of every page has a filled square of a
// third of the tile in its middle, in `color`.
struct TiledDrawing {
  cDrawingDoc doc;
  cSheet* sheet = nullptr;

  TiledDrawing(double width, double height, double across, double down, int pages, std::uint32_t color = 0) {
    doc.AddSheet(std::make_unique<cSheet>());
    sheet = doc.GetSheet(0);
    cDrawing& d = sheet->Drawing();
    d.formatSize = {width, height};
    d.formatMargins = {0, 0};
    d.tiles = {across, down};
    for (int p = 0; p < pages; ++p) d.AppendPage(PageRecord{0, kPageNoColor, WString(u"P")});
    ObjectChain chain;
    for (int p = 0; p < std::max(pages, 1); ++p) {
      for (int r = 0; r < int(std::ceil(down)); ++r) {
        for (int c = 0; c < int(std::ceil(across)); ++c) {
          auto* square = new cRectangle();
          const double x = c * width + width / 3, y = r * height + height / 3;
          square->corner1 = {x, y};
          square->corner2 = {x + width / 3, y + height / 3};
          square->fill.fillColor = color;
          square->stroke.color = color;
          square->SetPage(std::uint16_t(p));
          chain.Append(square);
        }
      }
    }
    sheet->TopBlock().AppendChain(std::move(chain));
  }
  cDrawing& Drawing() { return sheet->Drawing(); }
};

// The fake queue TEST: A4 with 5 mm margins at `dpi`.
inline void AddA4Queue(FakeSpooler& spooler, int dpi = 300, int dpiY = 0) {
  FakeQueue q;
  q.name = "TEST";
  q.media = {Medium("iso_a4_210x297mm", "A4", 21000, 29700, 500, 500, 500, 500)};
  q.defaults = DefaultsFor("iso_a4_210x297mm", dpi);
  if (dpiY) q.defaults.resolutionY = dpiY;
  q.defaults.fields |= kDmPrintQuality | kDmYResolution;
  spooler.queues.push_back(q);
  spooler.defaultIndex = 0;
}

}  // namespace kvn::test
