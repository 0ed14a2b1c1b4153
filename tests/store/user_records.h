// Users and groups for the tests of the visitors' store and rights.php.
#pragma once

#include <string>
#include <utility>

#include "store/users_store.h"

namespace albumsmith::test {

inline UserRecord User(std::string name, std::string password = "", std::string groups = "",
                       std::string description = "") {
  UserRecord u;
  u.name = std::move(name);
  u.password = std::move(password);
  u.groups = std::move(groups);
  u.description = std::move(description);
  return u;
}

inline GroupRecord Group(std::string name) {
  GroupRecord g;
  g.name = std::move(name);
  return g;
}

}  // namespace albumsmith::test
