#pragma once

#include "imaging/SaneDevice.h"
#include "imaging/TiffPageWriter.h"
#include "platform/dialogs/ScanSettings.h"

namespace wo::imaging {

// Reads page after page from an open device into the writer, at most `pages`
// pages (0: until the feeder is empty), reporting to `progress` as lines arrive.
// False when the user cancelled; the writer is left uncommitted either way.
bool scanBatch(SaneDevice& device, TiffPageWriter& writer, double dpi, int pages,
               dialogs::ScanProgress& progress);

} // namespace wo::imaging
