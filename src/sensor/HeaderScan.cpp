#include "sensor/HeaderScan.h"

#include "files/FileOps.h"
#include "util/Codec8.h"
#include "util/Texts.h"

#include <QDir>
#include <QFile>

namespace zkd {
namespace {

constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';
constexpr char16_t kDegreeSign = u'\u00B0';

// Characters 8 to 11 of an input line, counted from 0.
constexpr qsizetype kUnitStart = 7;
constexpr qsizetype kUnitLength = 4;

// One line from `pos` on: it ends at CR (an LF right after the CR belongs to
// the terminator) or at the end of the text. At the end of the text there is
// no line to read.
bool readLine(const QString &text, qsizetype &pos, QString &line)
{
    if (pos >= text.size())
        return false;
    qsizetype end = text.indexOf(QChar(kCr), pos);
    if (end < 0)
        end = text.size();
    line = text.mid(pos, end - pos);
    pos = end;
    if (pos < text.size() && text.at(pos) == QChar(kCr))
        ++pos;
    if (pos < text.size() && text.at(pos) == QChar(kLf))
        ++pos;
    return true;
}

// "INPn = degrC" and "INPn = degrF", matched as whole lines, carry the unit
// spelt out; they are stored with the degree sign instead.
std::optional<QString> degreeRewrite(const QString &line, QLatin1String prefix)
{
    for (const char scale : {'C', 'F'}) {
        const QString head = QString(prefix) + QLatin1String(" = ");
        if (line == head + QLatin1String("degr") + QLatin1Char(scale))
            return head + QChar(kDegreeSign) + QLatin1Char(scale);
    }
    return std::nullopt;
}

void testLine(const QString &line, HeaderScan::Result &result)
{
    const QLatin1String inp1("INP1");
    const QLatin1String inp2("INP2");

    if (line.startsWith(inp1))
        result.lines.inp1Line = line;
    if (const auto rewritten = degreeRewrite(line, inp1))
        result.lines.inp1Line = *rewritten;
    if (line.startsWith(QLatin1String("SR1")))
        result.lines.sr1Line = line;
    if (line.startsWith(inp2))
        result.lines.inp2Line = line;
    if (const auto rewritten = degreeRewrite(line, inp2))
        result.lines.inp2Line = *rewritten;
    if (line.startsWith(QLatin1String("SR2")))
        result.lines.sr2Line = line;
    if (line.startsWith(QLatin1String("Pri")))
        result.label11Caption = line;
}

} // namespace

HeaderScan::Result HeaderScan::scan(const QByteArray &snapshot, const QString &lineBuffer, const Lines &lines)
{
    Result result;
    result.lines = lines;
    result.lineBuffer = lineBuffer;

    const QString text = decode8(snapshot);
    qsizetype pos = 0;
    for (int read = 0; read < kLinesRead; ++read) {
        QString line;
        if (readLine(text, pos, line))
            result.lineBuffer = line;
        testLine(result.lineBuffer, result);
    }
    result.headerArrived = headerArrived(result.lines.inp1Line);
    return result;
}

bool HeaderScan::headerArrived(const QString &inp1Line)
{
    return inp1Line.startsWith(QLatin1String("INP1"));
}

QString HeaderScan::graphUnit(const QString &inputLine)
{
    if (inputLine.size() <= kUnitStart)
        return QString();
    return inputLine.mid(kUnitStart, kUnitLength);
}

QString HeaderScan::snapshotPath(const QString &programFolder)
{
    return QDir(programFolder).filePath(str(texts::HeaderSnapshotName));
}

QByteArray HeaderScan::takeSnapshot(const QString &workFilePath, const QString &programFolder, QString *refusedLink)
{
    const QString snapshot = snapshotPath(programFolder);
    std::optional<QByteArray> working;
    {
        QFile work;
        if (openWithoutFollowing(work, workFilePath, QIODevice::ReadOnly).ok)
            working = work.readAll();
    }
    // A link in the snapshot's place is neither deleted nor written through;
    // the header is then read from the working file itself.
    const auto refuse = [&] {
        if (refusedLink)
            *refusedLink = snapshot;
        return working.value_or(QByteArray());
    };
    if (isSymbolicLink(snapshot))
        return refuse();
    QFile::remove(snapshot);
    if (working)
        writeNewFile(snapshot, *working);
    QFile file;
    const FileOpResult opened = openWithoutFollowing(file, snapshot, QIODevice::ReadOnly);
    if (opened.refusedLink)
        return refuse();
    if (!opened.ok)
        return QByteArray();
    return file.readAll();
}

} // namespace zkd
