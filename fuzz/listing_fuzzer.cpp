// Feeds arbitrary bytes to the directory-listing parsers as a server could
// send them, in both forms, and to the FTP time reader. A listing comes from
// a host we do not control, so nothing in it may crash the parser, and no
// entry it yields may carry a name that could become more than one level of
// a path.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/text.h"
#include "publish/remote_listing.h"

using namespace albumsmith;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckEntries(std::string_view text, ListingForm form, std::int64_t now) {
  for (const RemoteEntry& entry : ParseListing(text, form, now)) {
    Check(!entry.name.empty());
    Check(entry.name != "." && entry.name != "..");
    Check(entry.name.find('/') == std::string::npos);
    Check(!HasControlChar(entry.name));
    Check(entry.timeStep == 1 || entry.timeStep == 60 || entry.timeStep == 86400);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first bytes choose "now", so that years inferred around the turn of
  // a year are tried too.
  std::int64_t now = 1700000000;
  if (size >= 4) {
    std::uint32_t seed;
    std::memcpy(&seed, data, sizeof seed);
    now = static_cast<std::int64_t>(seed) * 2;
    data += 4;
    size -= 4;
  }
  std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckEntries(text, ListingForm::Mlsd, now);
  CheckEntries(text, ListingForm::List, now);
  ParseFtpTime(text.substr(0, 64));
  return 0;
}
