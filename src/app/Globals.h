#pragma once

#include "sensor/HeaderScan.h"
#include "util/Language.h"

#include <QString>
#include <cstdint>

namespace zkd {

// What several windows share: the language, the instrument's header lines and
// the full scales of both inputs.
struct Globals
{
    Language language;
    QString Inp1Line;
    QString Inp2Line;
    QString Sr1Line;
    QString Sr2Line;
    std::int16_t ScaleMax1 = 0;
    std::int16_t ScaleMax2 = 0;
    std::int16_t ScaleMin1 = 0;
    std::int16_t ScaleMin2 = 0;

    HeaderScan::Lines headerLines() const { return {Inp1Line, Inp2Line, Sr1Line, Sr2Line}; }
    void setHeaderLines(const HeaderScan::Lines &lines)
    {
        Inp1Line = lines.inp1Line;
        Inp2Line = lines.inp2Line;
        Sr1Line = lines.sr1Line;
        Sr2Line = lines.sr2Line;
    }
};

} // namespace zkd
