#include "cli/language.h"

#include <cstdlib>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace gd::cli {

Language LanguageOf(const char* lc_all, const char* lc_messages, const char* lang, Language fallback) {
  for (const char* value : {lc_all, lc_messages, lang}) {
    if (value == nullptr || *value == '\0') continue;
    return std::string_view(value).starts_with("ja") ? Language::kJapanese : Language::kEnglish;
  }
  return fallback;
}

Language EnvironmentLanguage() {
#ifdef _WIN32
  const Language fallback =
      PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::kJapanese : Language::kEnglish;
#else
  const Language fallback = Language::kEnglish;
#endif
  return LanguageOf(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"), fallback);
}

}  // namespace gd::cli
