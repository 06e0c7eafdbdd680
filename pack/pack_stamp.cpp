#include "pack/pack_stamp.h"

#include <cctype>
#include <cstdlib>
#include <ctime>

uint32_t packStamp() {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        uint64_t seconds = 0;
        bool valid = *epoch != '\0';
        for (const char* p = epoch; valid && *p; ++p) {
            valid = std::isdigit(static_cast<unsigned char>(*p)) != 0;
            seconds = seconds * 10 + static_cast<uint64_t>(*p - '0');
            valid = valid && seconds <= 0xFFFFFFFFu;
        }
        if (valid) return static_cast<uint32_t>(seconds);
    }
    return static_cast<uint32_t>(std::time(nullptr));
}
