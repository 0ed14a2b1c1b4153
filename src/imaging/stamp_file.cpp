#include "imaging/stamp_file.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "platform/ini_file.h"

namespace albumsmith {

namespace {

constexpr StampRgb kColorTable[kStampColorCount] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

std::optional<std::string> ReadText(const IniDocument& doc, std::string_view key) {
  std::optional<std::string> value = doc.Get(kStampSection, key);
  if (value) *value = CutText(*value, kStampTextLimit);
  return value;
}

int ReadNumber(const IniDocument& doc, std::string_view key, int def) {
  const std::optional<std::string> value = ReadText(doc, key);
  return value ? ParseIniInt(*value, def) : def;
}

}  // namespace

std::string FormatStampFont(const StampFont& f) {
  char numbers[200];
  std::snprintf(numbers, sizeof numbers, "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,", f.height, f.width, f.escapement,
                f.orientation, f.weight, f.italic, f.underline, f.strikeOut, f.charSet, f.outPrecision, f.clipPrecision,
                f.quality, f.pitchAndFamily);
  return numbers + f.faceName;
}

std::optional<StampFont> ParseStampFont(std::string_view text) {
  StampFont f;
  int* const fields[] = {&f.height,        &f.width,     &f.escapement,    &f.orientation, &f.weight,
                         &f.italic,        &f.underline, &f.strikeOut,     &f.charSet,     &f.outPrecision,
                         &f.clipPrecision, &f.quality,   &f.pitchAndFamily};
  size_t at = 0;
  for (int* field : fields) {
    const size_t comma = text.find(',', at);
    if (comma == std::string_view::npos) return std::nullopt;
    const std::string_view number = text.substr(at, comma - at);
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), *field);
    if (ec != std::errc() || end != number.data() + number.size()) return std::nullopt;
    at = comma + 1;
  }
  f.faceName = std::string(text.substr(at));
  return f;
}

StampRgb StampColor(int index) {
  if (index < 0 || index >= kStampColorCount) return {};
  return kColorTable[index];
}

std::string StampFileOf(const std::string& imagePath) { return imagePath + std::string(kStampExtension); }

std::string CutText(std::string_view text, size_t limit) {
  if (text.size() <= limit) return std::string(text);
  size_t end = limit;
  // Back over continuation bytes to the start of the character cut in two.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

StampSettings ReadStamp(const std::string& path) {
  const IniDocument doc = IniFile(path).Load();
  StampSettings s;
  if (const std::optional<std::string> font = ReadText(doc, "font")) {
    if (std::optional<StampFont> parsed = ParseStampFont(*font)) {
      s.font = std::move(*parsed);
    } else {
      s.fontReadable = false;
    }
  }
  if (std::optional<std::string> text = ReadText(doc, "text")) s.text = std::move(*text);
  s.textColor = ReadNumber(doc, "txtcolor", s.textColor);
  s.bgColor = ReadNumber(doc, "bgcolor", s.bgColor);
  s.position = ReadNumber(doc, "position", s.position);
  s.tag = ReadNumber(doc, "tag", s.tag);
  s.background = ReadNumber(doc, "background", s.background);
  s.external = ReadNumber(doc, "external", s.external);
  s.boxHeight = ReadNumber(doc, "boxheight", 0);
  s.boxWidth = ReadNumber(doc, "boxwidth", 0);
  return s;
}

Status WriteStamp(const std::string& path, const StampSettings& s, int boxWidth, int boxHeight) {
  IniFile file(path);
  IniDocument doc = file.Load();
  doc.DeleteSection(kStampSection);
  const std::pair<std::string_view, std::string> keys[] = {
      {"font", FormatStampFont(s.font)},
      {"text", s.text},
      {"txtcolor", std::to_string(s.textColor)},
      {"bgcolor", std::to_string(s.bgColor)},
      {"position", std::to_string(s.position)},
      {"tag", std::to_string(s.tag)},
      {"background", std::to_string(s.background)},
      {"external", std::to_string(s.external)},
      {"boxheight", std::to_string(boxHeight)},
      {"boxwidth", std::to_string(boxWidth)},
  };
  for (const auto& [key, value] : keys)
    if (!doc.Set(kStampSection, key, value)) return Status::SystemError(EINVAL);
  return file.Save(doc);
}

bool StampWanted(const std::string& path) {
  const IniDocument doc = IniFile(path).Load();
  if (!doc.HasSection(kStampSection)) return false;
  return ReadNumber(doc, "tag", 0) != 0;
}

int StampBandOf(const std::string& stampPath) {
  if (!StampWanted(stampPath)) return 0;
  const StampSettings s = ReadStamp(stampPath);
  if (!s.DrawsBand()) return 0;
  const long long band = static_cast<long long>(s.boxHeight) + 10;
  return static_cast<int>(std::clamp<long long>(band, 0, 599));
}

}  // namespace albumsmith
