// The connection string of the private PostgreSQL test cluster: BEXLO_PG_CONNINFO when set, else
// the second line of the state file the pg fixture wrote (BEXLO_PG_STATE); "" when neither is
// there (the suite was not run through ctest).
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace bexlo::testing {

inline std::string PgConnInfo() {
  if (const char* direct = std::getenv("BEXLO_PG_CONNINFO")) return direct;
  const char* state = std::getenv("BEXLO_PG_STATE");
  if (state == nullptr) return {};
  std::ifstream in(state);
  std::string dir, conninfo;
  std::getline(in, dir);
  std::getline(in, conninfo);
  return conninfo;
}

}  // namespace bexlo::testing
