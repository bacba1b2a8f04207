// The one platform service of the engine: today's date on the local clock,
// taken from the C library so that the engine needs no Windows header.
#include "engine/report_generators.h"

#include <ctime>

CivilDate readLocalDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    const bool read = now != static_cast<std::time_t>(-1) && localtime_s(&local, &now) == 0;
#else
    const bool read = now != static_cast<std::time_t>(-1) && localtime_r(&now, &local) != nullptr;
#endif
    if (!read) {
        return CivilDate{1970, 1, 1};
    }
    return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}
