// Grid states in the order desk: the sample database's SYS_GRIDS with two saved states of the
// orders list, and the state windows for --screenshots.
#pragma once

#include <QString>
#include <string>

namespace bexlo::demo {

class TOrderDesk;

// The application key the desk's states are stored under.
inline constexpr const char* kDemoApplicationName = "bexlo-demo";

// Makes sure the database holds SYS_GRIDS (created from the shipped DDL of sqlDir, sqlite/ or
// postgresql/ by the database's driver) and, when the table was just created, two states of the
// orders list: "Open orders" and "Returned, largest first". Raises on failure.
void EnsureSampleGridStates(const std::string& databaseName, const std::string& sqlDir);

// Renders the state windows of the orders list into dir; false when a file could not be written.
bool TakeStateScreenshots(TOrderDesk& desk, const QString& dir);

}  // namespace bexlo::demo
