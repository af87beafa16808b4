// The installed face that draws a face nobody has, on a private
// configuration of known Debian fonts: fontconfig's choice for the family,
// of fixed pitch where fixed pitch is asked, always an installed face,
// remembered per request and forgotten with the configuration.
#include <gtest/gtest.h>

#include "platform/fonts/InstalledFonts.h"
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace {

TEST(StyledSubstitute, FixedPitchAskedGetsAFixedPitchFaceAndEveryAnswerIsInstalled) {
  const std::vector<std::string> files = {test::kLiberationSans, test::kLiberationSansBold, test::kLiberationSerif,
                                          test::kLiberationMono, test::kDejaVuSans};
  if (!test::FontFilesPresent(files)) GTEST_SKIP() << "Debian fonts-liberation2/fonts-dejavu-core missing";
  test::PrivateFonts fonts("styled-substitute", files);
  const struct {
    const char16_t* family;
    int weight;
    bool italic;
    std::uint8_t pitch;
    const char16_t* mono;  // the answer when fixed pitch is asked, else null
  } cases[] = {
      {u"Consolas", 400, false, 0x31, u"Liberation Mono"},     // modern, fixed
      {u"Fira Code", 700, false, 0x01, u"Liberation Mono"},    // fixed, no family kind
      {u"Lucida Console", 400, true, 0x31, u"Liberation Mono"},
      {u"Arial Black", 900, false, 0x22, nullptr},
      {u"Bradley Hand ITC", 400, false, 0x42, nullptr},        // script
      {u"Impact", 400, false, 0x52, nullptr},                  // decorative
      {u"Garamond", 400, true, 0x12, nullptr},                 // roman
      {u"ariblk", 400, false, 0x00, nullptr},                  // a file name, nothing known
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WString(c.family).ToUtf8());
    const WString answer = FindStyledSubstitute(WString(c.family), c.weight, c.italic, c.pitch);
    ASSERT_FALSE(answer.IsEmpty());
    EXPECT_NE(FindInstalledFont(answer), nullptr) << answer.ToUtf8();
    if (c.mono) {
      EXPECT_EQ(answer.ToUtf8(), WString(c.mono).ToUtf8());
    }
    // The same request answers the same.
    EXPECT_EQ(FindStyledSubstitute(WString(c.family), c.weight, c.italic, c.pitch), answer);
  }
  // A family that is installed is its own answer.
  EXPECT_EQ(FindStyledSubstitute(WString(u"Liberation Serif"), 400, false, 0x12), WString(u"Liberation Serif"));
}

TEST(StyledSubstitute, WithOnlyOneFaceEverythingEndsThere) {
  if (!test::FontFilesPresent({test::kDejaVuSans})) GTEST_SKIP() << "fonts-dejavu-core missing";
  test::PrivateFonts fonts("styled-substitute-one", {test::kDejaVuSans});
  for (std::uint8_t pitch : {0x00, 0x12, 0x22, 0x31, 0x42}) {
    EXPECT_EQ(FindStyledSubstitute(WString(u"Nobody Has This"), 400, false, pitch), WString(u"DejaVu Sans"))
        << int(pitch);
  }
}

}  // namespace
}  // namespace kvn
