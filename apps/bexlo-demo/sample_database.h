// The order desk's database: the sample database of examples/sample-db.sql, created on first use.
#pragma once

#include <string>

namespace bexlo::demo {

// Makes sure the database `databaseName` (an SQLite file or a PostgreSQL URI) holds the sample
// tables. An SQLite database without them runs the sample script; a PostgreSQL one gets the same
// rows, copied from an SQLite database the script builds in a temporary file. Raises on failure.
void EnsureSampleDatabase(const std::string& databaseName, const std::string& scriptPath);

}  // namespace bexlo::demo
