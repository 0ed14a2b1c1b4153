#pragma once
// The guarded form of a protected album's files.
//
// With access security on (a PHP site), nothing of a folder may reach a
// visitor who lacks the right to it. The web server would hand out a
// thumbnail or a medium image to anyone who types its address, so every
// file of albsite/s/<folder> and albsite/m/<folder>, and the folder listing
// albsite/js/dir.js, is published as "<name>.php": a one-line PHP prologue
// that asks the template's albsite/js/guard.php whether the visitor may see
// the folder, then the file's bytes behind __halt_compiler(), which PHP
// never parses. The local files keep their plain names and bytes; only the
// published copy is guarded, so publishing maps each local name to its
// remote one and compares sizes with the prologue added.
//
// Every directory of albsite/s and albsite/m also gets an empty page
// "index.html", so that a server that lists directories shows no names.

#include <cstdint>
#include <string>
#include <string_view>

#include "store/profile_settings.h"

namespace albumsmith {

// The template's access-control script, required by every guarded file.
inline constexpr std::string_view kGuardScript = "albsite/js/guard.php";
// The page put in every thumbnail and medium-image directory of a protected album.
inline constexpr std::string_view kDirectoryIndexName = "index.html";
inline constexpr std::string_view kDirectoryIndexText = "<!DOCTYPE html>\n<title></title>\n";

// Whether the profile's site is published guarded: PHP with access security.
bool IsGuardedSite(const ProfileSettings& settings);

// "IMG_1.jpg" -> "IMG_1.jpg.php".
std::string GuardedName(std::string_view name);
// Whether a published name is a guarded one.
bool IsGuardedName(std::string_view name);

// The prologue of a file published in `dir`, relative to albsite/ and
// ending with "/" ("s/", "m/Trips/2004/", "js/").
std::string GuardPrologue(std::string_view dir);

// The published bytes: prologue + content.
std::string GuardedContent(std::string_view dir, std::string_view content);

}  // namespace albumsmith
