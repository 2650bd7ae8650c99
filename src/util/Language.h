#pragma once

#include <QString>

namespace zkd {

// The user-interface language as line 3 of scx.ini holds it. Only the exact,
// case-sensitive values "Deutsch", "English" and "Francais" select a language;
// anything else (also "english" or empty) selects none, and texts stay as built.
class Language
{
public:
    enum class Kind { None, German, English, French };

    Language() = default;
    explicit Language(QString value) : m_value(std::move(value)) {}

    const QString &value() const { return m_value; }
    Kind kind() const;
    bool isGerman() const { return kind() == Kind::German; }
    bool isEnglish() const { return kind() == Kind::English; }
    bool isFrench() const { return kind() == Kind::French; }
    bool isValid() const { return kind() != Kind::None; }

private:
    QString m_value;
};

} // namespace zkd
