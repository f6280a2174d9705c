#include "platform/message_box_backend.h"
#include "platform/windows_api.h"

namespace tovik {

static UINT iconFlags(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return MB_ICONINFORMATION;
        case MessageIcon::Error:
            return MB_ICONERROR;
        case MessageIcon::Warning:
            return MB_ICONWARNING;
        case MessageIcon::Question:
            return MB_ICONQUESTION;
    }
    return 0;
}

static UINT buttonFlags(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return MB_OK;
        case MessageButtons::RetryCancel:
            return MB_RETRYCANCEL;
        case MessageButtons::YesNo:
            return MB_YESNO;
        case MessageButtons::OkCancel:
            return MB_OKCANCEL;
    }
    return MB_OK;
}

static MessageAnswer answerOf(int result) {
    switch (result) {
        case IDOK:
            return MessageAnswer::Ok;
        case IDCANCEL:
            return MessageAnswer::Cancel;
        case IDRETRY:
            return MessageAnswer::Retry;
        case IDYES:
            return MessageAnswer::Yes;
        case IDNO:
            return MessageAnswer::No;
        default:
            return MessageAnswer::Failed;
    }
}

MessageAnswer showSystemMessageBox(const MessageBoxRequest& request) {
    UINT style = iconFlags(request.icon) | buttonFlags(request.buttons);
    if (request.defaultButton == 1) {
        style |= MB_DEFBUTTON2;
    }
    if (request.topmost) {
        style |= MB_TOPMOST;
    }
    return answerOf(MessageBoxA(nullptr, request.text, request.caption, style));
}

}  // namespace tovik
