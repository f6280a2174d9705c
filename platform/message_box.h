// Every message box without owner window goes through showMessageBox. It is the one seam a test
// needs: a hook can record the request and give the answer instead of a real window.
#pragma once

namespace tovik {

enum class MessageIcon { Information, Error, Warning, Question };
enum class MessageButtons { Ok, RetryCancel, YesNo, OkCancel };
enum class MessageAnswer { Ok, Cancel, Retry, Yes, No, Failed };

struct MessageBoxRequest {
    const char* text;
    const char* caption;
    MessageIcon icon;
    MessageButtons buttons = MessageButtons::Ok;
    // 0 makes the first button the default, 1 the second.
    int defaultButton = 0;
    bool topmost = false;
};

MessageAnswer showMessageBox(const MessageBoxRequest& request);

// The answer a box gives when nobody is there to press a button: its default button.
MessageAnswer defaultAnswer(const MessageBoxRequest& request);

// Replaces the real message box for the whole process while set; nullptr restores it. Tests set
// it before any second thread exists; the hook itself must be safe to call from any thread.
using MessageBoxHook = MessageAnswer (*)(const MessageBoxRequest& request, void* context);
void setMessageBoxHook(MessageBoxHook hook, void* context);

}  // namespace tovik
