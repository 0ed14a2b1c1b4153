// The "exif" command: what the reader learns from one JPEG file, as text
// lines, as the HTML rows of the Exif page, or as the page itself.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "imaging/exif_format.h"
#include "imaging/exif_reader.h"

namespace albumsmith {
namespace {

using Context = CliContext;

int Exif(Context& ctx, const std::string& file, const std::string& option, const std::string& pagePath) {
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return Fail(ctx, "Cannot open file " + file);
  ExifReader reader;
  // The reader's diagnostic lines become the one failure line below.
  reader.setDiagnostics(nullptr);
  const bool read = reader.ReadSections(f, ImageData::Skip);
  std::fclose(f);
  if (!read) {
    if (!reader.errorText().empty()) return Fail(ctx, file + ": " + reader.errorText());
    if (!reader.diagnostic().empty()) return Fail(ctx, file + ": " + reader.diagnostic());
    return Fail(ctx, file + ": not a JPEG file");
  }
  if (reader.exifFailed()) return Fail(ctx, file + ": " + reader.errorText());

  if (option.empty() || option == "--html") {
    const std::string text = FormatInfo(reader.info(), option.empty() ? InfoForm::Text : InfoForm::Html);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  if (!WriteExifPage(file, pagePath, "")) return Fail(ctx, "Cannot create EXIF file " + pagePath);
  return 0;
}

int RunExif(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() == 2) return Exif(ctx, args[1], "", "");
  if (args.size() == 3 && args[2] == "--html") return Exif(ctx, args[1], args[2], "");
  if (args.size() == 4 && args[2] == "--page") return Exif(ctx, args[1], args[2], args[3]);
  return kUsageError;
}

const CliRegistrar kExif({"exif",
                          "  exif FILE [--html | --page OUT.html]\n"
                          "                                    print the Exif information of a JPEG file as text,\n"
                          "                                    as the rows of its Exif page, or write the page\n",
                          &RunExif});

}  // namespace
}  // namespace albumsmith
