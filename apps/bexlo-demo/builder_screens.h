// The query builder on the orders list for bexlo-demo --screenshots: opened with Ctrl+F9 as a
// user opens it, filled with a composed condition, an OR group and an in-list, and executed.
#pragma once

#include <QPixmap>
#include <QString>
#include <utility>
#include <vector>

namespace bexlo {
class TSearchDBGrid;
}

namespace bexlo::demo {

// The pictures (file name, picture): both pages of the builder, its list of values, the text
// window of "Save", and the list filtered by the builder. Empty when Ctrl+F9 did not open the
// builder (its hook not installed).
std::vector<std::pair<QString, QPixmap>> QueryBuilderScreens(TSearchDBGrid& grid, QWidget& window);

}  // namespace bexlo::demo
