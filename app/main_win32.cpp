// The entry point of tovik.exe: pack mode when the command line holds <packthis>, else install
// mode over the package carried by the running executable.
#include "app/install_state.h"
#include "app/setup_package.h"
#include "archive/pack_mode.h"
#include "platform/windows_api.h"

#include <objbase.h>

namespace tovik {

namespace {

// COM for the main thread (apartment model) for the length of install mode.
class ComApartment {
public:
    ComApartment() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (initialized_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialized_;
};

int runInstallMode() {
    ComApartment com;
    bool corrupted = false;
    SetupPackage package(corrupted);
    installState.currentPackage = &package;
    // A sound package goes from set-up straight to teardown until the install flow comes.
    installState.currentPackage = nullptr;
    return 0;
}

}  // namespace

}  // namespace tovik

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tovik::installState.moduleInstance = instance;
    const char* commandLine = GetCommandLineA();
    if (tovik::isPackCommandLine(commandLine)) {
        return tovik::runPackMode(commandLine);
    }
    return tovik::runInstallMode();
}
