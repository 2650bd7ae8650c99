#include "Line.h"

namespace zkd::sim {

Line::~Line() = default;

} // namespace zkd::sim
