#include "app/install_state.h"

namespace tovik {

InstallState installState;

}  // namespace tovik
