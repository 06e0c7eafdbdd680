// The stamp of new entry records.
#pragma once

#include <cstdint>

// SOURCE_DATE_EPOCH when that variable holds a decimal number of seconds that
// fits 32 bits (reproducible packs), else the current time.
uint32_t packStamp();
