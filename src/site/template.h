#pragma once
// Templates: where a template's files are, which templates can be chosen,
// whether a template is of the format this release writes for, and reading
// its page skeletons.
//
// A template directory holds albsite/ with the files named below. The
// built-in template is the program's data directory itself (build/bin/ in the
// build tree, <prefix>/share/albumsmith/ when installed); any other template
// is <data directory>templates/<name>/. Directories end with "/".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace albumsmith {

// The format version a template's albsite/version.dat must hold.
inline constexpr std::string_view kTemplateVersion = "1.04";

// Files of a template, relative to its directory.
inline constexpr std::string_view kIndexSkeleton = "albsite/js/index_templ.html";
inline constexpr std::string_view kSlideSkeleton = "albsite/js/slide_templ.html";
inline constexpr std::string_view kPhpFunctions = "albsite/js/php_functions.php";
inline constexpr std::string_view kPageScript = "albsite/js/album_s.js";
inline constexpr std::string_view kTreeWidgetScript = "albsite/js/dtree.js";
inline constexpr std::string_view kStyleSheet = "albsite/js/albumsmith.css";
inline constexpr std::string_view kTemplateImages = "albsite/images/";
inline constexpr std::string_view kTemplateBackgrounds = "albsite/bg/";
inline constexpr std::string_view kVersionFile = "albsite/version.dat";
inline constexpr std::string_view kIndexPicture = "albsite/index.jpg";
inline constexpr std::string_view kSlidePicture = "albsite/slide.jpg";

// The data directory that holds the built-in template: the first of
// DataDirectories() with an albsite/ folder, else the first of them. Ends with "/".
std::string ProgramDataDirectory();

// "Albumsmith Default", then every subdirectory of <dataDir>templates/ in name order.
std::vector<std::string> ListTemplates(const std::string& dataDir);

// Whether a profile's template name means the built-in template:
// "Albumsmith Default" (compared exactly) or no name at all (empty, or the
// key absent from Profile.ini).
bool IsBuiltInTemplate(const std::string& name);
// The directory of the named template: dataDir for the built-in template,
// else dataDir + "templates/" + name + "/".
std::string TemplateDirectory(const std::string& dataDir, const std::string& name);

// True for the built-in template and for "Albumsmith Default" in any letter
// case; otherwise true only when the template's version.dat can be read and,
// without trailing white space, reads kTemplateVersion. Shows nothing.
bool IsTemplateCurrent(const std::string& dataDir, const std::string& name);
// Choosing a template in the profile settings: the same test, with the
// warning "The template %s does not match the current version" when it fails.
bool CheckTemplate(const std::string& dataDir, const std::string& name);
// Before publishing: on a failed test the same text is asked with OK and
// Cancel. Returns whether publishing goes on.
bool ConfirmTemplateForPublishing(const std::string& dataDir, const std::string& name);

// Which of the template's two pictures exist, for the "Templates" tab.
struct TemplatePictures {
  bool index = false;  // enables "Story-Board"
  bool slide = false;  // enables "Slide show"
};
TemplatePictures FindTemplatePictures(const std::string& templateDir);
// The picture to show: the only one that exists, or with both the one already
// chosen (the index picture when none was); nothing when neither exists.
// `slideChosen` is the state of the "Slide show" button.
std::optional<std::string> TemplatePictureToShow(const std::string& templateDir, bool slideChosen);

// A page skeleton read whole with its carriage returns removed. When it
// cannot be read, "Cannot open local file %s" is shown with the path and the
// system's error text, and nothing is returned.
std::optional<std::string> ReadSkeleton(const std::string& path);
// A template file for index.php: read whole, CR LF line ends become LF.
// Fails with the same message.
std::optional<std::string> ReadTemplateText(const std::string& path);

// The program's release as pages show it: "2.2" or "2.2.1" (the third
// number only when it is not 0).
std::string ProgramVersionText();

}  // namespace albumsmith
