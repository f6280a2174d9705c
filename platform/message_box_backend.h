// The system's own message box, one implementation per platform.
#pragma once

#include "platform/message_box.h"

namespace tovik {

MessageAnswer showSystemMessageBox(const MessageBoxRequest& request);

}  // namespace tovik
