#include "app/setup_package.h"

#include "platform/message_box.h"
#include "platform/native_file.h"

namespace tovik {

namespace {

constexpr const char* kSetupFiles[] = {"setup.dat", "setup.bmp", "setup.lic"};

}  // namespace

SetupPackage::ExecutablePath::ExecutablePath() {
    runningExecutablePath(text);
}

SetupPackage::SetupPackage(bool& corrupted)
    : workDirectory_("TVI"), archive_(executable_.text, false) {
    corrupted = false;
    for (const char* name : kSetupFiles) {
        PathText destination;
        workDirectoryPath(destination);
        appendText(destination, name);
        // The script is required; artwork and licence are extracted when present, and a
        // damaged one is simply left out.
        if (name == kSetupFiles[0]) {
            corrupted = !archive_.extract(name, destination);
        } else if (archive_.contains(name)) {
            archive_.extract(name, destination);
        }
    }
    if (corrupted) {
        showMessageBox({"This installation is corrupted please obtain a new install.", "Installer",
                        MessageIcon::Error});
    }
}

void SetupPackage::workDirectoryPath(PathText& out) const {
    copyText(out, workDirectory_.path());
}

}  // namespace tovik
