#include "platform/message_box.h"

#include "platform/message_box_backend.h"

namespace tovik {

namespace {
MessageBoxHook installedHook = nullptr;
void* installedHookContext = nullptr;
}  // namespace

void setMessageBoxHook(MessageBoxHook hook, void* context) {
    installedHook = hook;
    installedHookContext = context;
}

MessageAnswer defaultAnswer(const MessageBoxRequest& request) {
    bool second = request.defaultButton == 1;
    switch (request.buttons) {
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        case MessageButtons::RetryCancel:
            return second ? MessageAnswer::Cancel : MessageAnswer::Retry;
        case MessageButtons::YesNo:
            return second ? MessageAnswer::No : MessageAnswer::Yes;
        case MessageButtons::OkCancel:
            return second ? MessageAnswer::Cancel : MessageAnswer::Ok;
    }
    return MessageAnswer::Failed;
}

MessageAnswer showMessageBox(const MessageBoxRequest& request) {
    if (installedHook != nullptr) {
        return installedHook(request, installedHookContext);
    }
    return showSystemMessageBox(request);
}

}  // namespace tovik
