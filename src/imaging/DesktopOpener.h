#pragma once

#include "imaging/ImageView.h"
#include "platform/Error.h"
#include "wo_internal_export.h"

namespace wo::imaging {

// Opens documents through the desktop's file associations (xdg-utils).
class WO_INTERNAL DesktopOpener final : public DocumentOpener {
public:
    // Error numbers beyond wo::err::FileNotFound.
    static constexpr int NoAssociatedProgram = err::NoAssociatedProgram;
    static constexpr int StartFailed = err::ProgramStartFailed;

    // Throws wo::Error 53 for a missing file, NoAssociatedProgram when the desktop
    // has no program for the file's type, StartFailed when a helper cannot start.
    void openInOwnApplication(const QString& path) override;
};

} // namespace wo::imaging
