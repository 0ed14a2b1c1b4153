// The language modules shipped with the program: complete, of this release,
// and with menus whose accelerator keys stay unique in every language.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <set>

#include "app/application.h"
#include "app/window_texts.h"
#include "platform/strings.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;

const fs::path kLangDir = fs::path(ALBUMSMITH_TEST_DATA) / ".." / ".." / "resources" / "Lang";

std::vector<TextId> AllTexts() {
  return {
#define ALBUMSMITH_TEXT(name, number, text) TextId::name,
#include "platform/string_table_data.inc"
#undef ALBUMSMITH_TEXT
  };
}

// The key after "&" in a menu text, lower-cased; 0 without one. "É" counts
// by its bytes, which is enough to tell keys apart.
std::string Accelerator(const std::string& text) {
  const size_t at = text.find('&');
  if (at == std::string::npos || at + 1 >= text.size()) return {};
  const unsigned char c = static_cast<unsigned char>(text[at + 1]);
  if (c < 0x80) return std::string(1, static_cast<char>(std::tolower(c)));
  return text.substr(at + 1, 2);
}

// Every menu's entries, and the menu bar's titles, have distinct keys.
void ExpectUniqueAccelerators(const std::string& language) {
  std::set<std::string> titles;
  for (size_t i = 0; i < MenuTitles().size(); ++i) {
    const std::string key = Accelerator(MenuTitleText(i));
    EXPECT_FALSE(key.empty()) << language << ": " << MenuTitleText(i);
    EXPECT_TRUE(titles.insert(key).second) << language << ": menu bar key of " << MenuTitleText(i);
  }
  std::map<std::string, std::set<std::string>> keys;
  for (const CommandInfo& info : Commands()) {
    const std::string key = Accelerator(MenuItemText(info.id));
    if (key.empty()) continue;
    EXPECT_TRUE(keys[info.menu].insert(key).second)
        << language << ": key \"" << key << "\" twice in " << info.menu << " (" << MenuItemText(info.id) << ")";
  }
}

class LanguageModulesTest : public ::testing::Test {
 protected:
  void TearDown() override { StringTable::Instance().SetModule(std::nullopt); }
};

TEST_F(LanguageModulesTest, FrenchTranslatesEveryTextOfThisRelease) {
  const auto module = LanguageModule::Load(kLangDir / "Français.lng");
  ASSERT_TRUE(module) << kLangDir;
  for (TextId id : AllTexts()) {
    const auto text = module->Get(id);
    EXPECT_TRUE(text && !text->empty()) << "no French text for " << static_cast<int>(id);
  }
  EXPECT_EQ(module->Get(TextId::kRelease).value_or(""), StringTable::Builtin(TextId::kRelease));
  // Printf-style texts keep their arguments, in order.
  for (TextId id : AllTexts()) {
    auto conversions = [](const std::string& s) {
      std::string out;
      for (size_t i = 0; i + 1 < s.size(); ++i)
        if (s[i] == '%') out += s[++i];
      return out;
    };
    EXPECT_EQ(conversions(module->Get(id).value_or("")), conversions(StringTable::Builtin(id))) << static_cast<int>(id);
  }
}

// (The built-in English menus keep the product's own texts, where Edit has
// "&Undo" and "&Unselect".)
TEST_F(LanguageModulesTest, MenuAcceleratorsAreUniqueInEveryModule) {
  for (const auto& entry : fs::directory_iterator(kLangDir)) {
    if (entry.path().extension() != ".lng") continue;
    StringTable::Instance().SetModule(LanguageModule::Load(entry.path()));
    ExpectUniqueAccelerators(entry.path().stem().string());
  }
}

}  // namespace
}  // namespace albumsmith
