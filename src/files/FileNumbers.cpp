#include "files/FileNumbers.h"

namespace zkd {

FileNumber FileNumbers::take()
{
    for (FileNumber number = kNoFile + 1; number <= kHighest; ++number) {
        if (!m_used.test(static_cast<std::size_t>(number))) {
            m_used.set(static_cast<std::size_t>(number));
            return number;
        }
    }
    return kNoFile;
}

void FileNumbers::release(FileNumber number)
{
    if (isValid(number))
        m_used.reset(static_cast<std::size_t>(number));
}

bool FileNumbers::inUse(FileNumber number) const
{
    return isValid(number) && m_used.test(static_cast<std::size_t>(number));
}

} // namespace zkd
