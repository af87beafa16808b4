// The interface language is process-wide (Czech until something sets it),
// so a test that reads a translated text sets the language itself: then it
// passes alone, first, or after a test that left another language behind.
#pragma once

#include <gtest/gtest.h>

#include "foundation/LangTable.h"

namespace kvn::test {

// Switches the language as the language commands do: the index, then a fresh
// table and string cache, so that no text of the previous language is left.
inline void UseLanguage(int index) {
  SetLanguageIndex(index);
  InvalidateLangTable();
  lang_testing::ClearLangStringCache();
}

// The language for one scope, the previous one put back afterwards.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(int index) : saved_(GetLanguageIndex()) { UseLanguage(index); }
  ~ScopedLanguage() { UseLanguage(saved_); }
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

 private:
  int saved_;
};

// A fixture for tests that read English texts.
class EnglishTest : public ::testing::Test {
 private:
  ScopedLanguage english_{kLanguageEnglish};
};

}  // namespace kvn::test
