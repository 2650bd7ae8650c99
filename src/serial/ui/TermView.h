#pragma once

#include <QtGlobal>

class QPlainTextEdit;

namespace zkd {

class LiveTable;

// Shows the live table in its text box (Term) at the least cost: the part
// trimmed off the front is dropped and the new tail appended, in one edit
// block by cursor positions, and the view stays at the end when it was
// there. The box shows every line end as one break (CR LF without the CR).
class TermView
{
public:
    // Brings `term` up to what `table` holds, taking the table's changes.
    void sync(LiveTable &table, QPlainTextEdit &term);

private:
    qsizetype m_shownLength = 0; // the table's length when the box last took it
};

} // namespace zkd
