#include "album/image_transforms.h"

#include <algorithm>
#include <functional>

#include "imaging/transforms.h"
#include "platform/strings.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/window_sink.h"

namespace albumsmith {
namespace {

constexpr TextId kRotating = TextId::kRotatingImage;
constexpr TextId kCannotRotate = TextId::kCannotRotateFile;
constexpr TextId kUpdating = TextId::kUpdatingImage;
constexpr TextId kNotAnImageName = TextId::kNotAnImageName;

// Progress runs to ten steps per image; each image shows its first.
constexpr int kStepsPerImage = 10;

ImageEditOutcome ForEachImage(const std::vector<std::string>& names, WindowSink& sink,
                              const std::function<bool(const std::string& name)>& edit) {
  ImageEditOutcome outcome;
  const int maximum = static_cast<int>(names.size()) * kStepsPerImage;
  for (size_t k = 0; k < names.size(); ++k) {
    sink.PostProgress(maximum, static_cast<int>(k) * kStepsPerImage + 1);
    // A name from the command line or a stale list must not reach outside the folder.
    const bool safe = IsSafeName(names[k]);
    if (!safe) ShowMessage({Icon::Exclamation, Buttons::Ok}, kNotAnImageName, {names[k]});
    (safe && edit(names[k]) ? outcome.changed : outcome.failed).push_back(names[k]);
  }
  sink.PostProgress(0, -1);  // the bar goes
  return outcome;
}

}  // namespace

ImageEditOutcome TransformImages(const std::string& imagesDir, const std::vector<std::string>& names, int code,
                                 WindowSink& sink) {
  return ForEachImage(names, sink, [&](const std::string& name) {
    const std::string path = imagesDir + name;
    sink.PostStatus(FormatString(kRotating, {path}));
    if (TransformFile(code, path)) return true;
    ShowMessage({Icon::Exclamation, Buttons::Ok}, kCannotRotate, {name});
    return false;
  });
}

ImageEditOutcome ShiftDates(const std::string& imagesDir, const std::vector<std::string>& names,
                            std::int64_t offsetSeconds, WindowSink& sink) {
  return ForEachImage(names, sink, [&](const std::string& name) {
    const std::string path = imagesDir + name;
    sink.PostStatus(FormatString(kUpdating, {name}));
    // An image without a date starts from now and is refused by the rewrite,
    // which names it.
    const std::time_t from = ExifDateOf(path).value_or(std::time(nullptr));
    return RewriteDate(path, name, ShiftClockTime(from, offsetSeconds));
  });
}

ImageEditOutcome SetDates(const std::string& imagesDir, const std::vector<std::string>& names, std::time_t time,
                          WindowSink& sink) {
  return ForEachImage(names, sink, [&](const std::string& name) {
    sink.PostStatus(FormatString(kUpdating, {name}));
    return RewriteDate(imagesDir + name, name, time);
  });
}

}  // namespace albumsmith
