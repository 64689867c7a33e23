// glimmerdig-cli: the extraction engine from the command line.

#include <exception>
#include <new>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/path_util.h"
#include "base/write_failure.h"
#include "cli/language.h"
#include "cli/options.h"
#include "cli/terminal.h"
#include "cli/terminal_host.h"
#include "cli/texts.h"
#include "extract/report/gallery.h"
#include "extract/report/image_log.h"
#include "extract/report/manifest.h"
#include "extract/run/res_extract.h"
#include "extract/run/run_options.h"
#include "extract/write/dry_run_file_system.h"
#include "platform/file_system.h"
#include "platform/png_encoder.h"

#ifdef _WIN32
#include "utf16/utf16.h"
#endif

namespace gd::cli {

namespace {

enum Exit { kDone = 0, kNoSaveDir = 1, kUsage = 2, kFailed = 3, kCancelled = 130 };

int UsageError(const std::string& what) {
  WriteErr("glimmerdig-cli: " + what + "\nTry 'glimmerdig-cli --help'.\n");
  return kUsage;
}

int Run(const std::vector<std::string>& args) {
  const ParseResult parsed = ParseOptions(args);
  if (!parsed.error.empty()) return UsageError(parsed.error);
  const Options& o = parsed.options;
  const Language language = EnvironmentLanguage();
  if (o.help) {
    WriteOut(HelpText(language));
    return kDone;
  }
  if (o.version) {
    WriteOut("glimmerdig-cli " GLIMMERDIG_VERSION "\n");
    return kDone;
  }

  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  // Absolute paths, so that the save folder is recognised and skipped in a
  // walk however either was typed. A mistyped source is an error before
  // anything is written, so that a script notices it.
  std::vector<std::string> sources;
  for (const std::string& s : o.sources) {
    sources.push_back(fs->AbsolutePath(s));
    if (!fs->FileExists(sources.back()) && !fs->FolderExists(sources.back())) {
      return UsageError("cannot find " + s);
    }
  }

  // A report-only run reads through the real file system and writes nothing,
  // not even the save folder.
  DryRunFileSystem dry_run(*fs);
  FileSystem& run_fs = o.list ? static_cast<FileSystem&>(dry_run) : *fs;
  // The save folder is made with its parents when missing, as a script
  // expects of an output folder.
  const std::string save_dir = AddBackslash(fs->AbsolutePath(o.save_dir ? *o.save_dir : "BmpSave"));
  run_fs.CreateFolders(save_dir.substr(0, save_dir.size() - 1));

  TerminalHost host(!o.quiet, language);
  if (!run_fs.FolderExists(save_dir)) {
    host.ShowMessage(MissingSaveDirText(language, save_dir));
    return kNoSaveDir;
  }
  const std::unique_ptr<PngEncoder> png = o.png ? MakeNativePngEncoder() : nullptr;
  Manifest manifest;
  Gallery gallery;
  ImageLogs logs;
  if (o.manifest || o.list) logs.Add(manifest);
  if (o.gallery) logs.Add(gallery);

  RunOptions run;
  run.save_dir = save_dir;
  run.delete_first = o.delete_first;
  run.exclude_flags = o.exclude_flags;
  run.all_images = o.all_images;
  run.format = png ? OutputFormat::kPng : OutputFormat::kBmp;
  run.png_encoder = png.get();
  run.unique = o.unique;
  run.image_log = &logs;
  run.file_progress = &host;
  TResExtract engine(run_fs, host, host, host);
  engine.SetOptions(run);
  if (!engine.CheckSaveDir()) return kNoSaveDir;
  const std::string manifest_path = o.manifest ? fs->AbsolutePath(*o.manifest) : std::string();

  InstallInterruptHandler();
  int count = 0;
  std::string failure;
  try {
    count = engine.ExtractFromSources(sources);
  } catch (const OutputWriteError& e) {
    // The engine has told it with the images written before, in Japanese.
    failure = language == Language::kJapanese ? e.what() : WriteFailureText(language, e, engine.ImageCount());
  } catch (const std::exception& e) {
    failure = FailureText(language, e);
  }
  host.Finish();
  // The manifest and the gallery list what was written, also when the run
  // ended early.
  try {
    const auto bytes = [](const std::string& text) {
      return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    if (o.list) WriteOut(manifest.Csv());
    // Replaced whole, so that a reader never finds half a page or half a
    // list, and never through a link someone put in the save folder.
    if (o.manifest) fs->ReplaceFile(manifest_path, bytes(manifest.Csv()));
    if (o.gallery) fs->ReplaceFile(engine.SaveDir() + "index.html", bytes(gallery.Html()));
  } catch (const OutputWriteError& e) {
    if (failure.empty()) failure = WriteFailureText(language, e, engine.ImageCount());
  } catch (const std::exception& e) {
    if (failure.empty()) failure = FailureText(language, e);
  }
  if (!failure.empty()) {
    WriteErr("glimmerdig-cli: " + failure + "\n");
    return kFailed;
  }
  // Under --list stdout holds the rows alone.
  if (!o.list) WriteOut(ResultText(language, count) + "\n");
  return Interrupted() ? kCancelled : kDone;
}

}  // namespace

}  // namespace gd::cli

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(gd::Narrow(argv[i]));
  return gd::cli::Run(args);
}
#else
int main(int argc, char** argv) {
  return gd::cli::Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
