#include "status.h"

#include <cstring>

namespace albumsmith {

std::string Status::systemText() const {
  if (errno_ == 0) return {};
  char buffer[256];
  // The GNU strerror_r returns the text (possibly a static one).
  const char* description = strerror_r(errno_, buffer, sizeof buffer);
  return description ? description : "";
}

}  // namespace albumsmith
