#include "serial/ui/TermView.h"

#include "serial/ui/LiveTable.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace zkd {

void TermView::sync(LiveTable &table, QPlainTextEdit &term)
{
    const QString &text = table.text();
    const TableChange change = table.takeChange();
    QScrollBar *bar = term.verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum() - 2;
    // What the window shows, less what was trimmed off the front, is still there
    // unchanged up to `from`: drop the trimmed part and append the new tail.
    // Else the document is cleared, which also frees what earlier edits left
    // behind in it, and takes the whole text anew. Either way one edit by
    // position: moving a cursor by other means, or the text box's own
    // setPlainText, lays out and reformats lines on the way.
    const qsizetype kept = m_shownLength - change.removed;
    QTextDocument *document = term.document();
    const bool append = !change.reset && change.from == kept && change.from <= text.size();
    if (append && change.removed == 0 && change.from == text.size())
        return;
    if (!append)
        document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    if (append && change.removedShown > 0) {
        cursor.setPosition(static_cast<int>(change.removedShown), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    cursor.setPosition(document->characterCount() - 1);
    cursor.insertText((append ? text.mid(change.from) : QString(text)).remove(QLatin1Char('\r')));
    // The last screenful of lines keeps what its layout shapes, so that
    // painting them right after does not shape them again.
    const int inView = term.viewport()->height() / std::max(1, term.fontMetrics().lineSpacing()) + 2;
    QTextBlock block = document->lastBlock();
    for (int i = 0; i < inView && block.isValid(); ++i, block = block.previous())
        block.layout()->setCacheEnabled(true);
    cursor.endEditBlock();
    m_shownLength = text.size();
    if (atEnd)
        bar->setValue(bar->maximum());
}

} // namespace zkd
