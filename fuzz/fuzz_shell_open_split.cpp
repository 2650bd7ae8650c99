// Shell-open split: ShellOpenSplit::split on any command text.
//
// Input: byte 0 (bit 0: the folder separator is "\", else "/"; bit 1: a
// folder is given), the current folder up to a NUL, the given folder up to a
// NUL when bit 1 is set, then the command text. All UTF-8.
//
// Properties:
// - the command the fallback start uses is the text itself, or, when it
//   begins with a quote that is closed later, the text without those two
//   quotes;
// - program part + parameters give that command back once the blanks between
//   them are put back: program + blanks + parameters == command, the
//   parameters not beginning with a blank;
// - an unquoted program part holds no blank; a quoted one is the text
//   between the quotes; after an unclosed quote the whole text is the program;
// - the folder is the one given, else a prefix of the program part ending
//   just before its last separator (or just after it for a root such as "C:\"
//   or a separator at the very start), else the current folder when the
//   program part has no separator;
// - the result equals a reference that follows the documented steps with
//   1-based positions.

#include "FuzzSupport.h"

#include "files/ShellOpenSplit.h"

using namespace zkd;
using zkd::fuzz::show;

namespace {

ShellOpenSplit reference(const QString &text, const QString &current, const std::optional<QString> &folder,
                         QChar separator)
{
    ShellOpenSplit r;
    r.command = text;
    const auto at = [&r](qsizetype position) { return r.command.at(position - 1); }; // 1-based
    qsizetype split = 0;
    if (r.command.startsWith(QLatin1Char('"'))) {
        qsizetype q = 0;
        for (qsizetype p = 2; p <= r.command.size() && q == 0; ++p) {
            if (at(p) == QLatin1Char('"'))
                q = p;
        }
        if (q != 0) {
            r.command = r.command.mid(1, q - 2) + r.command.mid(q);
            split = q - 1;
        }
    } else {
        for (qsizetype p = 1; p <= r.command.size() && split == 0; ++p) {
            if (at(p) == QLatin1Char(' '))
                split = p;
        }
    }
    if (split == 0)
        split = r.command.size() + 1;

    if (folder) {
        r.folder = *folder;
    } else {
        qsizetype found = 0;
        for (qsizetype p = split - 1; p >= 1 && found == 0; --p) {
            if (at(p) == separator)
                found = p;
        }
        if (found == 0)
            r.folder = current;
        else if (found == 1 || at(found - 1) == QLatin1Char(':'))
            r.folder = r.command.left(found);
        else
            r.folder = r.command.left(found - 1);
    }
    r.program = r.command.left(split - 1);
    QString parameters = r.command.mid(split - 1);
    while (parameters.startsWith(QLatin1Char(' ')))
        parameters.remove(0, 1);
    r.parameters = parameters;
    return r;
}

QString describe(const ShellOpenSplit &s)
{
    return QStringLiteral("command %1, program %2, parameters %3, folder %4")
        .arg(show(s.command), show(s.program), show(s.parameters), show(s.folder));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input input(data, size);
    const std::uint8_t options = input.byte();
    const QChar separator = (options & 1) ? QLatin1Char('\\') : QLatin1Char('/');
    const QString current = QString::fromUtf8(input.field());
    const std::optional<QString> folder = (options & 2) ? std::optional<QString>(QString::fromUtf8(input.field()))
                                                        : std::nullopt;
    const QString text = QString::fromUtf8(input.rest());

    const ShellOpenSplit got = ShellOpenSplit::split(text, current, folder, separator);
    const auto context = [&] {
        return QStringLiteral("%1 (current %2, folder %3, separator %4) gives %5")
            .arg(show(text), show(current), folder ? show(*folder) : QStringLiteral("none"), QString(separator),
                 describe(got));
    };

    // The fallback command.
    const bool quoted = text.startsWith(QLatin1Char('"')) && text.indexOf(QLatin1Char('"'), 1) > 0;
    if (quoted) {
        const qsizetype closing = text.indexOf(QLatin1Char('"'), 1);
        ZKD_FUZZ_CHECK(got.command == text.mid(1, closing - 1) + text.mid(closing + 1), context());
        ZKD_FUZZ_CHECK(got.program == text.mid(1, closing - 1), context());
    } else if (text.startsWith(QLatin1Char('"'))) {
        // An unclosed quote: the whole text is the program.
        ZKD_FUZZ_CHECK(got.command == text && got.program == text && got.parameters.isEmpty(), context());
    } else {
        ZKD_FUZZ_CHECK(got.command == text, context());
        ZKD_FUZZ_CHECK(!got.program.contains(QLatin1Char(' ')), context());
    }

    // Program, blanks, parameters.
    ZKD_FUZZ_CHECK(!got.parameters.startsWith(QLatin1Char(' ')), context());
    ZKD_FUZZ_CHECK(got.command.startsWith(got.program) && got.command.endsWith(got.parameters)
                       && got.program.size() + got.parameters.size() <= got.command.size(),
                   context());
    const QString between = got.command.mid(got.program.size(),
                                            got.command.size() - got.program.size() - got.parameters.size());
    ZKD_FUZZ_CHECK(between.count(QLatin1Char(' ')) == between.size(),
                   QStringLiteral("between program and parameters: %1; %2").arg(show(between), context()));

    // The folder.
    if (folder) {
        ZKD_FUZZ_CHECK(got.folder == *folder, context());
    } else {
        const qsizetype last = got.program.lastIndexOf(separator);
        if (last < 0) {
            ZKD_FUZZ_CHECK(got.folder == current, context());
        } else {
            const bool root = last == 0 || got.program.at(last - 1) == QLatin1Char(':');
            ZKD_FUZZ_CHECK(got.program.startsWith(got.folder) && got.folder.size() == (root ? last + 1 : last),
                           context());
        }
    }

    const ShellOpenSplit expected = reference(text, current, folder, separator);
    ZKD_FUZZ_CHECK(got.command == expected.command && got.program == expected.program
                       && got.parameters == expected.parameters && got.folder == expected.folder,
                   QStringLiteral("expected %1; %2").arg(describe(expected), context()));
    return 0;
}
