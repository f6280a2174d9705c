#include "tests/support/message_recorder.h"

namespace tovik::testing {

MessageRecorder::MessageRecorder() {
    setMessageBoxHook(record, this);
}

MessageRecorder::~MessageRecorder() {
    setMessageBoxHook(nullptr, nullptr);
}

void MessageRecorder::answerWith(std::vector<MessageAnswer> answers) {
    std::lock_guard lock(mutex_);
    answers_ = std::move(answers);
    nextAnswer_ = 0;
}

std::vector<RecordedMessage> MessageRecorder::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::size_t MessageRecorder::count() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
}

MessageAnswer MessageRecorder::record(const MessageBoxRequest& request, void* context) {
    auto& recorder = *static_cast<MessageRecorder*>(context);
    std::lock_guard lock(recorder.mutex_);
    recorder.messages_.push_back({request.text, request.caption, request.icon, request.buttons,
                                  request.defaultButton, request.topmost});
    if (recorder.nextAnswer_ < recorder.answers_.size()) {
        return recorder.answers_[recorder.nextAnswer_++];
    }
    return defaultAnswer(request);
}

}  // namespace tovik::testing
