#pragma once
// The tool's messages in the language of the user's locale. The Japanese
// ones are the Windows program's own texts.

#include <exception>
#include <string>

#include "base/write_failure.h"
#include "cli/language.h"

namespace gd::cli {

// "N bitmaps extracted." or "No bitmaps were found."
std::string ResultText(Language language, int count);
// The save folder is missing and could not be made. Each \r puts the folder
// on a line of its own.
std::string MissingSaveDirText(Language language, const std::string& save_dir);
// Why a run failed: the engine's own failures told in the language; any
// other exception as it describes itself.
std::string FailureText(Language language, const std::exception& failure);
// A file the tool could not write after the run (the manifest, the page),
// with the number of images written before.
std::string WriteFailureText(Language language, const OutputWriteError& failure, int written_before);
// The word after the count in the progress line.
std::string ImagesUnit(Language language, int count);
// --help.
std::string HelpText(Language language);

}  // namespace gd::cli
