#pragma once
// Everything a run is told before it starts. The command-line tool fills it
// from its arguments, the main window from its boxes and menu, each in one
// place, and hands it to the engine whole.

#include <cstdint>
#include <string>

#include "extract/report/image_log.h"
#include "extract/run/ui_sinks.h"
#include "extract/source/window_reader.h"
#include "platform/png_encoder.h"

namespace gd {

// What a run leaves out.
enum ExcludeFlag : std::uint8_t {
  kNoIcoFile = 1,  // files whose extension begins with "ico"
  kNoCurFile = 2,  // files whose extension begins with "cur"
  kNoIcoRes = 4,   // icon-shaped images
  kNoCurRes = 8,   // cursor-shaped images
};

enum class OutputFormat { kBmp, kPng };

struct RunOptions {
  std::string save_dir;            // ends in the separator
  std::uint8_t exclude_flags = 0;  // ExcludeFlag bits
  bool delete_first = false;       // every visible .bmp in the save folder goes first

  // Beyond the standard run: every image a file holds (PNG and GIF too,
  // icons measured as icons, no limit per file), bitmaps written as PNG with
  // their transparency (png_encoder must then be set), no picture written
  // twice in a run, and a log of each image written.
  bool all_images = false;
  OutputFormat format = OutputFormat::kBmp;
  PngEncoder* png_encoder = nullptr;
  bool unique = false;
  ImageLog* image_log = nullptr;
  // Told how far through a large file the run is; may be null.
  FileProgressSink* file_progress = nullptr;
  // How sources are read. For tests and measurements; the default suits
  // every run.
  WindowReader::Options read;
};

}  // namespace gd
