#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace zkd {

// A completed line, read once: its words, the first seven of which are the
// record's values, the leading numbers of the two actual values, the meter
// levels they give and each input's overflow mark. The value boxes, the
// meters and marks, the record counter and the MQTT messages all take the
// line from here.
//
// Words are separated by blanks and ";". The line the value boxes read has
// no ";" (the record processing drops tabs and semicolons before it collects
// a line); a line of the working file keeps its tabs as ";" between words.
// As the word splitter does, a text of one character has no word.
class RecordLine
{
public:
    // The values of a record line, in the order of its words.
    enum class Value { Time, Act1, Max1, Min1, Act2, Max2, Min2 };
    static constexpr std::size_t kValues = 7;
    enum class Input { One, Two };
    // How a value's leading number treats a comma: the meters and the marks
    // of the window read "12,5" as 12; the MQTT messages read it as 12.5.
    enum class DecimalMark { Point, PointOrComma };

    RecordLine() = default;
    explicit RecordLine(QString text);
    // Reads `text` (not a view of this line's own text) in place of the line
    // before, keeping the room it had.
    void read(QStringView text);

    const QString &text() const { return m_text; }
    qsizetype wordCount() const { return m_words.size(); }
    QStringView word(qsizetype index) const;
    QStringList words() const;
    // The word of a value, empty when the line has fewer words.
    bool has(Value value) const { return index(value) < m_words.size(); }
    QStringView value(Value value) const { return has(value) ? word(index(value)) : QStringView(); }

    static constexpr Value actual(Input input) { return input == Input::One ? Value::Act1 : Value::Act2; }
    // The number the actual value begins with; 0 when it begins with none.
    double leadingNumber(Input input, DecimalMark mark = DecimalMark::Point) const;
    // The meter level: the leading number rounded, halves to even; none when
    // it does not fit 16 bits (the meter then keeps its level).
    std::optional<std::int16_t> level(Input input) const;
    // The overflow mark: the actual value is "*Ovl*", or its leading number is
    // above the input's full scale.
    bool overflows(Input input, std::int16_t scaleMax, DecimalMark mark = DecimalMark::Point) const;

    static constexpr qsizetype index(Value value) { return static_cast<qsizetype>(value); }

private:
    struct Span
    {
        qsizetype from = 0;
        qsizetype size = 0;
    };
    static constexpr std::size_t slot(Input input) { return input == Input::One ? 0 : 1; }
    void split();

    QString m_text;
    QVarLengthArray<Span, 8> m_words;
    std::array<double, 2> m_leading{};
};

} // namespace zkd
