#pragma once

#include <bitset>
#include <cstdint>

namespace zkd {

using FileNumber = std::int16_t;

// The small numbers that name open files. take() hands out the lowest number
// not in use, starting at 1; 0 stands for no file and is what take() returns
// when every number is in use.
class FileNumbers
{
public:
    static constexpr FileNumber kNoFile = 0;
    static constexpr FileNumber kHighest = 255;

    FileNumber take();
    // Makes the number free again; kNoFile and numbers not in use are ignored.
    void release(FileNumber number);
    bool inUse(FileNumber number) const;

private:
    static bool isValid(FileNumber number) { return number > kNoFile && number <= kHighest; }

    std::bitset<kHighest + 1> m_used;
};

} // namespace zkd
