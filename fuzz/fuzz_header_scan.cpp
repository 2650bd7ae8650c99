// Header read: HeaderScan::scan on any snapshot of the working file.
//
// Input: byte 0 mod 6 tells how many NUL-terminated texts follow, in this
// order: the line buffer left by the previous header read, Inp1Line,
// Inp2Line, Sr1Line, Sr2Line (the rest start empty). The rest is the snapshot.
//
// Properties:
// - Inp1Line begins with "INP1" or is the text passed in; likewise Inp2Line
//   with "INP2", Sr1Line with "SR1", Sr2Line with "SR2"; a Pri caption, when
//   there is one, begins with "Pri";
// - a changed input line is a line of the snapshot (or the line buffer), or its
//   degree-sign form, and never the spelt-out "INPn = degrC"/"degrF";
// - the result equals a reference that cuts the snapshot into lines in its own
//   way (split at CR, one LF after a CR dropped) and tests the 16 reads in the
//   documented order, the last line read being tested again past the end;
// - the header check says "arrived" exactly when Inp1Line begins with "INP1";
// - the graph unit is characters 8 to 11 of the line;
// - reading the same snapshot again changes nothing more.

#include "FuzzSupport.h"

#include "sensor/HeaderScan.h"
#include "util/Codec8.h"

using namespace zkd;
using zkd::fuzz::show;

namespace {

QStringList snapshotLines(const QString &text)
{
    QStringList pieces = text.split(QLatin1Char('\r'));
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        if (pieces[i].startsWith(QLatin1Char('\n')))
            pieces[i].remove(0, 1);
    }
    // After the last line end there is no line, only the end of the text.
    if (pieces.last().isEmpty())
        pieces.removeLast();
    return pieces;
}

HeaderScan::Result reference(const QString &text, const QString &lineBuffer, const HeaderScan::Lines &lines)
{
    HeaderScan::Result r;
    r.lines = lines;
    r.lineBuffer = lineBuffer;
    const QStringList all = snapshotLines(text);
    const QChar degree(0x00B0);
    for (int read = 0; read < 16; ++read) {
        if (read < all.size())
            r.lineBuffer = all[read];
        const QString &line = r.lineBuffer;
        if (line.startsWith(QLatin1String("INP1")))
            r.lines.inp1Line = line;
        if (line == QLatin1String("INP1 = degrC") || line == QLatin1String("INP1 = degrF"))
            r.lines.inp1Line = QStringLiteral("INP1 = ") + degree + line.right(1);
        if (line.startsWith(QLatin1String("SR1")))
            r.lines.sr1Line = line;
        if (line.startsWith(QLatin1String("INP2")))
            r.lines.inp2Line = line;
        if (line == QLatin1String("INP2 = degrC") || line == QLatin1String("INP2 = degrF"))
            r.lines.inp2Line = QStringLiteral("INP2 = ") + degree + line.right(1);
        if (line.startsWith(QLatin1String("SR2")))
            r.lines.sr2Line = line;
        if (line.startsWith(QLatin1String("Pri")))
            r.label11Caption = line;
    }
    r.headerArrived = r.lines.inp1Line.startsWith(QLatin1String("INP1"));
    return r;
}

bool sameResult(const HeaderScan::Result &a, const HeaderScan::Result &b)
{
    return a.lines.inp1Line == b.lines.inp1Line && a.lines.inp2Line == b.lines.inp2Line
        && a.lines.sr1Line == b.lines.sr1Line && a.lines.sr2Line == b.lines.sr2Line && a.lineBuffer == b.lineBuffer
        && a.label11Caption == b.label11Caption && a.headerArrived == b.headerArrived;
}

QString describe(const HeaderScan::Result &r)
{
    return QStringLiteral("INP1 %1, INP2 %2, SR1 %3, SR2 %4, buffer %5, Pri %6, arrived %7")
        .arg(show(r.lines.inp1Line), show(r.lines.inp2Line), show(r.lines.sr1Line), show(r.lines.sr2Line),
             show(r.lineBuffer), r.label11Caption ? show(*r.label11Caption) : QStringLiteral("none"))
        .arg(r.headerArrived);
}

// A changed input line must come from the snapshot or the buffer.
bool comesFrom(const QString &value, const QStringList &lines, const QString &buffer, QLatin1String key)
{
    QStringList candidates = lines;
    candidates.append(buffer);
    for (const QString &line : std::as_const(candidates)) {
        if (line == value && line.startsWith(key) && line != key + QLatin1String(" = degrC")
            && line != key + QLatin1String(" = degrF"))
            return true;
        if ((line == key + QLatin1String(" = degrC") || line == key + QLatin1String(" = degrF"))
            && value == key + QLatin1String(" = ") + QChar(0x00B0) + line.right(1))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input input(data, size);
    const int given = input.byte() % 6;
    QString fields[5];
    for (int i = 0; i < given; ++i)
        fields[i] = decode8(input.field());
    const QByteArray snapshot = input.rest();
    const QString buffer = fields[0];
    HeaderScan::Lines before;
    before.inp1Line = fields[1];
    before.inp2Line = fields[2];
    before.sr1Line = fields[3];
    before.sr2Line = fields[4];

    const HeaderScan::Result got = HeaderScan::scan(snapshot, buffer, before);
    const QString text = decode8(snapshot);
    const auto context = [&] {
        return QStringLiteral("got %1; snapshot %2, buffer %3, INP1 before %4")
            .arg(describe(got), show(text.left(300)), show(buffer), show(before.inp1Line));
    };

    const auto keyOrSame = [&](const QString &after, const QString &was, const char *key) {
        ZKD_FUZZ_CHECK(after == was || after.startsWith(QLatin1String(key)),
                       QStringLiteral("%1 line %2; %3").arg(QLatin1String(key), show(after), context()));
    };
    keyOrSame(got.lines.inp1Line, before.inp1Line, "INP1");
    keyOrSame(got.lines.inp2Line, before.inp2Line, "INP2");
    keyOrSame(got.lines.sr1Line, before.sr1Line, "SR1");
    keyOrSame(got.lines.sr2Line, before.sr2Line, "SR2");
    ZKD_FUZZ_CHECK(!got.label11Caption || got.label11Caption->startsWith(QLatin1String("Pri")), context());

    const QStringList lines = snapshotLines(text).mid(0, HeaderScan::kLinesRead);
    if (got.lines.inp1Line != before.inp1Line)
        ZKD_FUZZ_CHECK(comesFrom(got.lines.inp1Line, lines, buffer, QLatin1String("INP1")), context());
    if (got.lines.inp2Line != before.inp2Line)
        ZKD_FUZZ_CHECK(comesFrom(got.lines.inp2Line, lines, buffer, QLatin1String("INP2")), context());

    ZKD_FUZZ_CHECK(got.headerArrived == got.lines.inp1Line.startsWith(QLatin1String("INP1")), context());
    ZKD_FUZZ_CHECK(HeaderScan::headerArrived(got.lines.inp1Line) == got.headerArrived, context());

    const HeaderScan::Result expected = reference(text, buffer, before);
    ZKD_FUZZ_CHECK(sameResult(got, expected), QStringLiteral("expected %1; %2").arg(describe(expected), context()));

    const HeaderScan::Result again = HeaderScan::scan(snapshot, got.lineBuffer, got.lines);
    ZKD_FUZZ_CHECK(again.lines.inp1Line == got.lines.inp1Line && again.lines.inp2Line == got.lines.inp2Line
                       && again.lines.sr1Line == got.lines.sr1Line && again.lines.sr2Line == got.lines.sr2Line
                       && again.lineBuffer == got.lineBuffer,
                   QStringLiteral("second read gave %1; %2").arg(describe(again), context()));

    for (const QString &line : {got.lines.inp1Line, got.lines.inp2Line, buffer}) {
        const QString unit = HeaderScan::graphUnit(line);
        ZKD_FUZZ_CHECK(unit == line.mid(7, 4) && unit.size() <= 4,
                       QStringLiteral("unit %1 of %2").arg(show(unit), show(line)));
    }
    return 0;
}
