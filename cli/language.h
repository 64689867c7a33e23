#pragma once
// The language of the tool's messages: Japanese, the program's own, under a
// Japanese locale; English everywhere else.

namespace gd::cli {

enum class Language { kEnglish, kJapanese };

// From the locale variables as POSIX ranks them: the first one set and not
// empty of LC_ALL, LC_MESSAGES and LANG decides. Japanese when it begins
// with "ja"; with none set, `fallback`.
Language LanguageOf(const char* lc_all, const char* lc_messages, const char* lang,
                    Language fallback = Language::kEnglish);

// The language of this process's environment. On Windows, where the locale
// variables are seldom set, the user's display language stands in for them.
Language EnvironmentLanguage();

}  // namespace gd::cli
