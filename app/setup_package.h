// SetupPackage: the payload archive of the running installer, opened for the whole run, and
// the private work folder into which its setup files are extracted.
#pragma once

#include "archive/payload_archive.h"
#include "platform/temp_storage.h"
#include "platform/text.h"

namespace tovik {

class SetupPackage {
public:
    // Extracts "setup.dat", "setup.bmp" and "setup.lic" into a new work folder. Without a
    // sound "setup.dat" the package is corrupted: `corrupted` is set and the user told so.
    explicit SetupPackage(bool& corrupted);
    SetupPackage(const SetupPackage&) = delete;
    SetupPackage& operator=(const SetupPackage&) = delete;

    PayloadArchive& archive() { return archive_; }
    // The work folder, ending in a backslash.
    void workDirectoryPath(PathText& out) const;

private:
    struct ExecutablePath {
        ExecutablePath();
        PathText text = {};
    };

    // Built in this order, and the archive is closed before the work folder goes.
    WorkDirectory workDirectory_;
    ExecutablePath executable_;
    PayloadArchive archive_;
};

}  // namespace tovik
