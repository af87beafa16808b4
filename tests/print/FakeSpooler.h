// A spooler of queues described by the test, and a settings folder of the
// test's own, for the printer-data tests.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "foundation/SystemError.h"
#include "platform/print/Spooler.h"
#include "platform/settings/SettingsStore.h"
#include "print/PrinterData.h"
#include "tests/support/TestData.h"

namespace kvn::test {

struct FakeQueue {
  std::string name;
  std::vector<SpoolerMedium> media;
  PrinterSettings defaults;
  bool defaultsFail = false;
};

class FakeSpooler final : public Spooler {
 public:
  std::vector<FakeQueue> queues;
  int defaultIndex = -1;
  bool serverUp = true;

  bool ListQueues(std::vector<std::string>& names, int& def) override {
    names.clear();
    def = -1;
    if (!serverUp) return false;
    for (const FakeQueue& q : queues) names.push_back(q.name);
    def = defaultIndex;
    return true;
  }
  bool QueueDefaults(const std::string& queue, PrinterSettings& s, std::uint32_t& error) override {
    const FakeQueue* q = Find(queue);
    if (!q || q->defaultsFail) {
      error = kErrorInvalidPrinterName;
      return false;
    }
    s = q->defaults;
    return true;
  }
  bool QueueMedia(const std::string& queue, std::vector<SpoolerMedium>& media) override {
    const FakeQueue* q = Find(queue);
    if (!q) return false;
    media = q->media;
    return true;
  }
  bool QueueChoices(const std::string& queue, SpoolerChoices& choices, std::uint32_t& error) override {
    const FakeQueue* q = Find(queue);
    if (!q) {
      error = kErrorInvalidPrinterName;
      return false;
    }
    choices = SpoolerChoices{};
    choices.media = q->media;
    choices.resolutions = {{300, 300}, {600, 600}};
    choices.color = true;
    return true;
  }

 private:
  const FakeQueue* Find(const std::string& name) const {
    for (const FakeQueue& q : queues) {
      if (q.name == name) return &q;
    }
    return nullptr;
  }
};

// Hundredths of a millimetre.
inline SpoolerMedium Medium(const std::string& name, const std::string& display, int w, int l, int left = 0,
                            int bottom = 0, int right = 0, int top = 0) {
  return {name, display, w, l, left, bottom, right, top};
}

inline PrinterSettings DefaultsFor(const std::string& media, int dpi = 0) {
  PrinterSettings s;
  s.fields = kDmOrientation | kDmPaperSize | kDmCopies | kDmCollate | kDmColor;
  s.media = media;
  s.resolutionX = s.resolutionY = dpi;
  return s;
}

// Each test: its own settings folder, fresh printer globals, a fake spooler.
class PrinterTestBase {
 public:
  PrinterTestBase() : override_(spooler) {
    const char* old = std::getenv("KVN_SETTINGS_DIR");
    if (old) oldDir_ = old;
    ::setenv("KVN_SETTINGS_DIR", (scratch_.Path() / "settings").c_str(), 1);
    SettingsStore::ResetGlobal();
    ResetPrinters();
    PrintQualityGlobals() = PrintQuality{};
    DefaultMargins() = Margins{};
  }
  ~PrinterTestBase() {
    ResetPrinters();
    if (oldDir_)
      ::setenv("KVN_SETTINGS_DIR", oldDir_->c_str(), 1);
    else
      ::unsetenv("KVN_SETTINGS_DIR");
    SettingsStore::ResetGlobal();
  }
  PrinterTestBase(const PrinterTestBase&) = delete;
  PrinterTestBase& operator=(const PrinterTestBase&) = delete;

  FakeSpooler spooler;

 private:
  ScratchDir scratch_;
  std::optional<std::string> oldDir_;
  ScopedSpoolerOverride override_;
};

}  // namespace kvn::test
