// Serial settings string: parseSerialSettings and the serial component's
// Settings property on any text, and the port field of scx.ini.
//
// Input: byte 0 (bit 0: the text is UTF-8, else 8-bit code page 1252 as
// scx.ini holds it), then the text.
//
// Properties:
// - a text is accepted exactly when it has four comma-separated fields (blanks
//   around each allowed): a baud rate of ASCII digits from 1 to 2147483647, a
//   parity letter n, e, o, m or s in either case, data bits 5 to 8 and stop
//   bits 1, 1.5 or 2; the values are those fields;
// - the component takes an accepted text and gives it back in the canonical
//   form "baud,parity,data,stop", which reads as the same settings; a refused
//   text leaves the settings it had;
// - the port field: a text that does not begin with a digit is a device
//   path, taken without the blanks around it; any other text asks for its
//   leading number rounded halves to even, which names that port from 1 to
//   255 and is refused otherwise (an empty text asks for 0).

#include "FuzzSupport.h"

#include "serial/MSComm1.h"
#include "util/Codec8.h"

using namespace zkd;
using zkd::fuzz::show;

namespace {

QString trimmed(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].isSpace())
        ++begin;
    while (end > begin && text[end - 1].isSpace())
        --end;
    return text.mid(begin, end - begin);
}

bool asciiDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

std::optional<SerialSettings> reference(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    SerialSettings s;
    const QString baud = trimmed(parts[0]);
    if (!asciiDigits(baud))
        return std::nullopt;
    long long rate = 0;
    for (const QChar c : baud) {
        rate = rate * 10 + c.digitValue();
        if (rate > INT32_MAX)
            return std::nullopt;
    }
    if (rate == 0)
        return std::nullopt;
    s.baudRate = static_cast<qint32>(rate);

    const QString parity = trimmed(parts[1]);
    if (parity.size() != 1)
        return std::nullopt;
    switch (parity[0].unicode()) {
    case u'n':
    case u'N': s.parity = QSerialPort::NoParity; break;
    case u'e':
    case u'E': s.parity = QSerialPort::EvenParity; break;
    case u'o':
    case u'O': s.parity = QSerialPort::OddParity; break;
    case u'm':
    case u'M': s.parity = QSerialPort::MarkParity; break;
    case u's':
    case u'S': s.parity = QSerialPort::SpaceParity; break;
    default: return std::nullopt;
    }

    const QString data = trimmed(parts[2]);
    if (data.size() != 1 || data[0] < QLatin1Char('5') || data[0] > QLatin1Char('8'))
        return std::nullopt;
    s.dataBits = static_cast<QSerialPort::DataBits>(data[0].digitValue());

    const QString stop = trimmed(parts[3]);
    if (stop == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return s;
}

bool same(const SerialSettings &a, const SerialSettings &b)
{
    return a.baudRate == b.baudRate && a.parity == b.parity && a.dataBits == b.dataBits && a.stopBits == b.stopBits;
}

QString describe(const std::optional<SerialSettings> &s)
{
    if (!s)
        return QStringLiteral("refused");
    return QStringLiteral("%1 baud, parity %2, %3 data, stop %4")
        .arg(s->baudRate)
        .arg(int(s->parity))
        .arg(int(s->dataBits))
        .arg(int(s->stopBits));
}

bool asciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The port number a field that begins with a digit (or is empty) asks for,
// worked out digit by digit: the whole part, rounded by the digits after a
// decimal point, halves to even. Empty where the digits are too many to
// compare with a conversion through a double.
std::optional<int> referencePortNumber(const QString &field)
{
    constexpr long long kLarge = 100000;
    constexpr qsizetype kFractionDigits = 6;
    qsizetype i = 0;
    long long whole = 0;
    for (; i < field.size() && asciiDigit(field[i]); ++i) {
        whole = whole * 10 + field[i].digitValue();
        if (whole > kLarge)
            return std::nullopt;
    }
    if (i < field.size() && field[i] == QLatin1Char('.')) {
        QString fraction;
        for (++i; i < field.size() && asciiDigit(field[i]); ++i)
            fraction += field[i];
        if (fraction.size() > kFractionDigits)
            return std::nullopt;
        if (!fraction.isEmpty()) {
            const int first = fraction[0].digitValue();
            bool restZero = true;
            for (qsizetype k = 1; k < fraction.size(); ++k)
                restZero = restZero && fraction[k] == QLatin1Char('0');
            const bool half = first == 5 && restZero;
            if (first > 5 || (first == 5 && !restZero) || (half && whole % 2 == 1))
                ++whole;
        }
    }
    return static_cast<int>(whole);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input input(data, size);
    const bool utf8 = input.byte() & 1;
    const QByteArray bytes = input.rest();
    const QString text = utf8 ? QString::fromUtf8(bytes) : decode8(bytes);

    const std::optional<SerialSettings> got = parseSerialSettings(text);
    const std::optional<SerialSettings> expected = reference(text);
    ZKD_FUZZ_CHECK(got.has_value() == expected.has_value() && (!got || same(*got, *expected)),
                   QStringLiteral("%1: got %2, expected %3").arg(show(text), describe(got), describe(expected)));

    static MSComm1 *comm = new MSComm1; // lives as long as the fuzzing process
    const QString previous = QStringLiteral("4800,e,7,2");
    ZKD_FUZZ_CHECK(comm->setSettings(previous), previous);
    const bool taken = comm->setSettings(text);
    ZKD_FUZZ_CHECK(taken == got.has_value(), show(text));
    const QString shown = comm->settings();
    if (got) {
        const std::optional<SerialSettings> again = parseSerialSettings(shown);
        ZKD_FUZZ_CHECK(again && same(*again, *got) && same(comm->serialSettings(), *got),
                       QStringLiteral("%1 shown as %2").arg(show(text), show(shown)));
        ZKD_FUZZ_CHECK(!shown.contains(QLatin1Char(' ')) && shown.count(QLatin1Char(',')) == 3, show(shown));
    } else {
        ZKD_FUZZ_CHECK(shown == previous, QStringLiteral("refused %1 left %2").arg(show(text), show(shown)));
    }

    // The port field of scx.ini.
    const std::optional<QString> port = portNameFromSetting(text);
    const QString field = trimmed(text);
    if (!field.isEmpty() && !asciiDigit(field[0])) {
        ZKD_FUZZ_CHECK(port == field,
                       QStringLiteral("%1 gives port %2").arg(show(text), show(port.value_or(QStringLiteral("-")))));
    } else if (const auto number = referencePortNumber(field)) {
        const std::optional<QString> expectedPort = *number >= 1 && *number <= 255
            ? std::optional<QString>(portNameFromNumber(*number))
            : std::nullopt;
        ZKD_FUZZ_CHECK(
            port == expectedPort,
            QStringLiteral("%1 gives port %2").arg(show(text), show(port.value_or(QStringLiteral("refused")))));
    }
    return 0;
}
