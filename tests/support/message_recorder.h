// Records every message box the code under test shows, and answers it, while in scope.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace tovik::testing {

struct RecordedMessage {
    std::string text;
    std::string caption;
    MessageIcon icon;
    MessageButtons buttons;
    int defaultButton;
    bool topmost;
};

class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Answers to give, in order; once they run out, each box gets its default answer.
    void answerWith(std::vector<MessageAnswer> answers);
    std::vector<RecordedMessage> messages() const;
    std::size_t count() const;

private:
    static MessageAnswer record(const MessageBoxRequest& request, void* context);

    mutable std::mutex mutex_;
    std::vector<RecordedMessage> messages_;
    std::vector<MessageAnswer> answers_;
    std::size_t nextAnswer_ = 0;
};

}  // namespace tovik::testing
