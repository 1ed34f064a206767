#include "platform/StringTables.h"

#include <gtest/gtest.h>

#include <cctype>

namespace quillon {
namespace {

TEST(StringTables, BothLanguagesHoldTheSameIds) {
  const auto& en = BuiltInStrings(Language::English).Entries();
  const auto& de = BuiltInStrings(Language::German).Entries();
  ASSERT_GT(en.size(), 50u);
  ASSERT_EQ(en.size(), de.size());
  for (auto e = en.begin(), d = de.begin(); e != en.end(); ++e, ++d) EXPECT_EQ(e->first, d->first);
}

TEST(StringTables, TranslationsKeepThePrintfConversionsInOrder) {
  // The printf conversions of a text, concatenated: "%" up to the first letter or "%".
  const auto conversions = [](const std::string& text) {
    std::string all;
    for (std::size_t i = text.find('%'); i != std::string::npos; i = text.find('%', i)) {
      std::size_t end = i + 1;
      while (end < text.size() && !std::isalpha(static_cast<unsigned char>(text[end])) &&
             text[end] != '%') {
        ++end;
      }
      all += text.substr(i, end + 1 - i);
      i = end + 1;
    }
    return all;
  };
  const StringTable& de = BuiltInStrings(Language::German);
  for (const auto& [id, text] : BuiltInStrings(Language::English).Entries()) {
    EXPECT_EQ(conversions(text), conversions(de.Load(id))) << "id " << id;
  }
}

TEST(StringTables, TextsAsTheProgramShowsThem) {
  const StringTable& en = BuiltInStrings(Language::English);
  EXPECT_EQ(en.Load(33003), "File '%s' has an unsupported format !");
  EXPECT_EQ(en.Load(33007),
            "Your System has not enough memory to run the requested operation. You can try to "
            "increase the amount of virtual memory.");
  EXPECT_EQ(en.Load(59143), "(0000,0000)-(R:000, G:000, B:000)");
  EXPECT_EQ(en.Load(59141), "Zoom  - : - ");
  EXPECT_EQ(en.Load(33013), "The file '%s' couldn\u00b4t be read.");
  EXPECT_EQ(en.Load(61237), "The file could not be saved.");
  EXPECT_EQ(en.Load(129),
            "\nUnnamed\n\nKorvel Format (*.kvf)\n.kvf\nKorvelImage\nDaskor Wavelet Format");
  EXPECT_EQ(BuiltInStrings(Language::German).Load(129),
            "\nUnbenannt\n\nKorvel Format (*.kvf)\n.kvf\nKorvelImage\nDaskor Wavelet Format");
}

TEST(StringTables, GermanLocalesChooseGerman) {
  EXPECT_EQ(LanguageOfLocale("de_DE.UTF-8"), Language::German);
  EXPECT_EQ(LanguageOfLocale("de_AT"), Language::German);
  EXPECT_EQ(LanguageOfLocale("de"), Language::German);
  EXPECT_EQ(LanguageOfLocale("en_US.UTF-8"), Language::English);
  EXPECT_EQ(LanguageOfLocale("C"), Language::English);
  EXPECT_EQ(LanguageOfLocale(""), Language::English);
}

TEST(StringTables, LcAllOverridesLang) {
  ::setenv("LANG", "de_DE.UTF-8", 1);
  ::setenv("LC_MESSAGES", "", 1);
  ::unsetenv("LC_ALL");
  EXPECT_EQ(UserLanguage(), Language::German);
  ::setenv("LC_ALL", "en_GB.UTF-8", 1);
  EXPECT_EQ(UserLanguage(), Language::English);
  ::unsetenv("LC_ALL");
  ::setenv("LC_MESSAGES", "C", 1);
  EXPECT_EQ(UserLanguage(), Language::English);
  ::unsetenv("LC_MESSAGES");
  ::unsetenv("LANG");
}

}  // namespace
}  // namespace quillon

#include "platform/HelpBook.h"

namespace quillon {
namespace {

TEST(HelpBook, GermanUsersGetTheGermanBook) {
  EXPECT_EQ(HelpBaseName(Language::German), "qlmnleg");
  EXPECT_EQ(HelpBaseName(Language::English), "qlmnlee");
  // From the build tree the books of the source tree serve; both exist.
  for (Language language : {Language::German, Language::English}) {
    const auto book = HelpBookPath(language, "/nonexistent/bin");
    EXPECT_EQ(book.filename(), HelpBaseName(language) + ".hhp");
    EXPECT_TRUE(std::filesystem::exists(book)) << book;
  }
}

}  // namespace
}  // namespace quillon
