// Record processing: RecordPipeline::process and the window's LiveTable on
// any received bytes, fed in chunks of random size.
//
// Input: byte 0 chooses the run: bits 0-1 the language (none, "Deutsch",
// "English", "Francais"), bit 2 Check1 unticked, bit 3 working file closed,
// bit 4 notes header pending, bits 5-7 how the stream is cut (all at once, one
// byte per call, or random sizes up to 2, 8, 32, ... 2048 bytes, empty
// calls included). Byte 1: bits 0-5 seed the cutting, bits 6-7 + 1 tell how
// often the rest is sent (so that short inputs reach the table's trimming
// at 8192 characters); two 16-bit values give ScaleMax1 and ScaleMax2. With
// the header pending, a NUL-terminated notes text follows. The rest is what
// the instrument sent.
//
// Properties:
// - the working file receives exactly the received bytes with backspaces and
//   line feeds dropped, every CR followed by LF, "." turned into "," in German
//   and French, tabs turned into ";" while Check1 is ticked, headed by the
//   notes header when one is pending; nothing while the file is closed;
// - the live table (its unsaved length and whether a chunk found text in it
//   too), the line buffer, the last line, its words, the value
//   boxes, meter levels, overflow marks and beeps equal a reference that runs
//   the documented steps character by character, however the stream is cut;
// - the line listener gets each line the reference completes, in order; it
//   stops batches at random lines, and handing over the rest changes nothing;
// - the table stays within 8192 + 1 characters, the line buffer within 4096;
// - the change position the window uses to append only the tail never lies
//   behind a change.

#include "FuzzSupport.h"
#include "PipelineReference.h"

#include "serial/RecordPipeline.h"
#include "serial/ui/LiveTable.h"
#include "util/Codec8.h"

using namespace zkd;
using zkd::fuzz::show;
using zkd::test::expectedFileBytes;

namespace {

constexpr qsizetype kTableLimit = 8192 + 1; // trimmed before a chunk, and a chunk adds at most CR LF

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input input(data, size);
    const std::uint8_t options = input.byte();
    const std::uint8_t seed = input.byte();
    const std::int16_t scaleMax1 = input.int16();
    const std::int16_t scaleMax2 = input.int16();
    static const char *const kLanguages[] = {"", "Deutsch", "English", "Francais"};
    const Language language(QString::fromLatin1(kLanguages[options & 3]));
    const bool check1 = !(options & 4);
    const bool fileOpen = !(options & 8);
    const bool headerPending = options & 16;
    const int cutting = options >> 5;
    const QString notes = headerPending ? decode8(input.field()) : QString();
    const QByteArray received = input.rest().repeated(1 + (seed >> 6));

    const QString header = RecordPipeline::notesHeader(language, QStringLiteral("12:34:56"),
                                                       QStringLiteral("01.02.2026"), notes);
    int headerRequests = 0;

    RecordPipeline pipeline;
    pipeline.setLanguage(language);
    pipeline.setCheck1(check1);
    pipeline.setFileOpen(fileOpen);
    pipeline.setScaleMax(scaleMax1, scaleMax2);
    pipeline.setHeaderPending(headerPending);
    pipeline.setNotesHeaderSource([&] {
        ++headerRequests;
        return header;
    });
    LiveTable table;
    table.setLanguage(language);

    test::PipelineReference ref;
    ref.decimalComma = language.isGerman() || language.isFrench();
    ref.check1 = check1;
    ref.fileOpen = fileOpen;
    ref.headerPending = headerPending;
    ref.header = header;
    ref.scaleMax1 = scaleMax1;
    ref.scaleMax2 = scaleMax2;

    const auto context = [&] {
        return QStringLiteral("language %1, check1 %2, file open %3, header pending %4, received %5")
            .arg(language.value())
            .arg(check1)
            .arg(fileOpen)
            .arg(headerPending)
            .arg(show(received.left(200)));
    };

    fuzz::Lcg rng((seed & 0x3F) + (std::uint64_t(size) << 8));
    QByteArray file;
    QString window;              // what the live table's window showed at the last whole comparison
    qsizetype unchangedUpTo = 0; // the lowest change position reported since then
    int batches = 0;
    qsizetype at = 0;
    bool first = true;
    while (at < received.size() || first) {
        qsizetype n = 0;
        if (cutting == 0)
            n = received.size();
        else if (cutting == 1)
            n = 1;
        else
            n = rng.below((2u << (2 * (cutting - 2))) + 1); // 0..2, 0..8, 0..32, ... 0..2048 bytes
        n = std::min(n, received.size() - at);
        const QByteArray batch = received.mid(at, n);
        at += n;
        first = false;

        const quint64 linesBefore = ref.lines;
        const int beepsBefore = ref.beeps;
        ref.dataSeen = false;
        ref.completed.clear();
        ref.feed(batch);

        qsizetype seen = 0;
        pipeline.setLineListener([&](const RecordLine &line) {
            ZKD_FUZZ_CHECK(seen < ref.completed.size() && line.text() == ref.completed[seen++], context());
            return rng.below(4) != 0;
        });
        BatchResult result;
        for (qsizetype taken = pipeline.process(QByteArrayView(batch), result); taken < batch.size();)
            taken += pipeline.process(QByteArrayView(batch).sliced(taken), result);
        ZKD_FUZZ_CHECK(seen == ref.completed.size(), context());
        file += result.fileBytes;
        const bool dataSeen = table.receive(batch);

        // Whole texts are compared on the first calls, every 64th and the last;
        // sizes and the displays after every call.
        const bool fullCheck = batches < 16 || batches % 64 == 0 || at >= received.size();
        ++batches;
        ZKD_FUZZ_CHECK(table.text().size() == ref.table.size() && (!fullCheck || table.text() == ref.table),
                       QStringLiteral("table %1, expected %2; %3")
                           .arg(show(table.text().right(80)), show(ref.table.right(80)), context()));
        ZKD_FUZZ_CHECK(table.text().size() <= kTableLimit,
                       QStringLiteral("table of %1 characters; %2").arg(table.text().size()).arg(context()));
        ZKD_FUZZ_CHECK(pipeline.lineBuffer().size() == ref.lineBuffer.size()
                           && (!fullCheck || pipeline.lineBuffer() == ref.lineBuffer),
                       QStringLiteral("line buffer %1, expected %2; %3")
                           .arg(show(pipeline.lineBuffer().right(80)), show(ref.lineBuffer.right(80)), context()));
        ZKD_FUZZ_CHECK(pipeline.lineBuffer().size() <= RecordPipeline::kLineBufferLimit, context());
        ZKD_FUZZ_CHECK(pipeline.lastLine().size() == ref.lastLine.size()
                           && (!fullCheck || pipeline.lastLine() == ref.lastLine),
                       QStringLiteral("last line %1, expected %2; %3")
                           .arg(show(pipeline.lastLine().right(80)), show(ref.lastLine.right(80)), context()));
        ZKD_FUZZ_CHECK(
            pipeline.words() == ref.words,
            QStringLiteral("words %1, expected %2; %3").arg(show(pipeline.words()), show(ref.words), context()));
        const RecordDisplay &display = pipeline.display();
        for (std::size_t i = 0; i < display.values.size(); ++i)
            ZKD_FUZZ_CHECK(display.values[i] == ref.values[i],
                           QStringLiteral("value box %1 %2, expected %3; %4")
                               .arg(i)
                               .arg(show(display.values[i]), show(ref.values[i]), context()));
        ZKD_FUZZ_CHECK(display.level1 == ref.level1 && display.level2 == ref.level2,
                       QStringLiteral("levels %1/%2, expected %3/%4; %5")
                           .arg(display.level1)
                           .arg(display.level2)
                           .arg(ref.level1)
                           .arg(ref.level2)
                           .arg(context()));
        ZKD_FUZZ_CHECK(display.overflow1 == ref.overflow1 && display.overflow2 == ref.overflow2,
                       QStringLiteral("overflow marks %1/%2, expected %3/%4 (scales %5/%6); %7")
                           .arg(display.overflow1)
                           .arg(display.overflow2)
                           .arg(ref.overflow1)
                           .arg(ref.overflow2)
                           .arg(scaleMax1)
                           .arg(scaleMax2)
                           .arg(context()));
        ZKD_FUZZ_CHECK(result.lineCompleted == (ref.lines != linesBefore), context());
        ZKD_FUZZ_CHECK(pipeline.linesCompleted() == ref.lines, context());
        ZKD_FUZZ_CHECK(
            result.beeps == ref.beeps - beepsBefore,
            QStringLiteral("%1 beeps, expected %2; %3").arg(result.beeps).arg(ref.beeps - beepsBefore).arg(context()));
        ZKD_FUZZ_CHECK(dataSeen == ref.dataSeen, context());
        ZKD_FUZZ_CHECK(table.unsavedLength() == ref.unsavedLength,
                       QStringLiteral("unsaved length %1, expected %2; %3")
                           .arg(table.unsavedLength())
                           .arg(ref.unsavedLength)
                           .arg(context()));
        ZKD_FUZZ_CHECK(!pipeline.headerPending(), context());

        // As the window does: drop what was trimmed off the front of what it
        // shows; the rest is unchanged up to `from`, unless it must be reset.
        const TableChange change = table.takeChange();
        ZKD_FUZZ_CHECK(change.from >= 0 && change.from <= table.text().size() && change.removed >= 0, context());
        if (change.reset) {
            unchangedUpTo = 0;
        } else {
            window.remove(0, std::min(change.removed, qsizetype(window.size())));
            unchangedUpTo = std::max<qsizetype>(0, unchangedUpTo - change.removed);
        }
        unchangedUpTo = std::min(unchangedUpTo, change.from);
        if (fullCheck) {
            ZKD_FUZZ_CHECK(unchangedUpTo <= window.size()
                               && QStringView(window).left(unchangedUpTo)
                                   == QStringView(table.text()).left(unchangedUpTo),
                           QStringLiteral("changes reported from %1 on, but the table differs from what the window "
                                          "shows before that; %2")
                               .arg(unchangedUpTo)
                               .arg(context()));
            window = table.text();
            unchangedUpTo = window.size();
        }
    }

    ZKD_FUZZ_CHECK(headerRequests <= 1, context());
    QByteArray expected;
    if (fileOpen) {
        if (headerPending)
            expected = encode8(check1 ? QString(header).replace(QChar(9), QLatin1Char(';')) : header);
        expected += expectedFileBytes(received, language.isGerman() || language.isFrench(), check1);
    }
    ZKD_FUZZ_CHECK(file == expected,
                   QStringLiteral("working file got %1, expected %2; %3")
                       .arg(show(file.left(200)), show(expected.left(200)), context()));
    ZKD_FUZZ_CHECK(file == ref.file, context());
    return 0;
}
