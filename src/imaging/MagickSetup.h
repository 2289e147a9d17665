#pragma once

namespace wo::imaging {

// Sets ImageMagick up once per process before its first use: one thread (it runs in
// the host's process) and a bound on a picture's sides.
void initMagick();

} // namespace wo::imaging
