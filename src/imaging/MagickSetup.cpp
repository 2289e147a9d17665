#include "imaging/MagickSetup.h"

#include <Magick++.h>
#include <mutex>

namespace wo::imaging {

void initMagick() {
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        Magick::ResourceLimits::thread(1);
        Magick::ResourceLimits::width(65536);
        Magick::ResourceLimits::height(65536);
    });
}

} // namespace wo::imaging
