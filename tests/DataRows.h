#pragma once

#include <QTest>

namespace zkd::test {

// One data row from its values, in the order of the columns. A string
// literal goes into a QString column as it does through QTest::newRow; a
// row stays on a line or two, where the formatter gives every string of a
// newRow chain a line of its own.
template <typename... Values> void row(const char *name, const Values &...values)
{
    (QTest::newRow(name) << ... << values);
}

} // namespace zkd::test
