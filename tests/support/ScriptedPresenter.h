// A message presenter for tests: records every message and answers from a queue.
#pragma once

#include "core/Messages.h"

#include <deque>
#include <vector>

class TScriptedPresenter : public IMessagePresenter {
public:
    TScriptedPresenter();             // installs itself
    ~TScriptedPresenter() override;   // restores the previous presenter

    int Present(const TMessageRequest& request) override;

    // Answers for the next questions, in order; a question with no answer queued gets No.
    void Answer(int result) { answers.push_back(result); }
    void AnswerYes() { Answer(mrYes); }
    void AnswerNo() { Answer(mrNo); }

    std::vector<TMessageRequest> shown;

    const TMessageRequest& Last() const { return shown.back(); }
    void Clear() { shown.clear(); }

private:
    std::deque<int> answers;
    IMessagePresenter* previous;
};
