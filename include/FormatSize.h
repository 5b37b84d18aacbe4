#pragma once

#include <QString>
#include <cstdint>

// A byte count as display text: "-" for 0, else the count in KB, MB or GB
// (1024-based) with two decimals and a point, e.g. "1.50 KB". A unit is
// used only when the count is strictly greater than one of it, so exactly
// 1 MiB reads "1024.00 KB".
QString FormatSize(uint64_t bytes);
