#include <cstdio>

#include "platform/message_box_backend.h"

namespace tovik {

// Without a desktop the message goes to standard error and the default button answers.
MessageAnswer showSystemMessageBox(const MessageBoxRequest& request) {
    std::fprintf(stderr, "%s: %s\n", request.caption, request.text);
    return defaultAnswer(request);
}

}  // namespace tovik
