// Scripted presenter: records messages, answers questions from a queue.
#include "support/ScriptedPresenter.h"

TScriptedPresenter::TScriptedPresenter() : previous(&MessagePresenter()) { SetMessagePresenter(this); }

TScriptedPresenter::~TScriptedPresenter() { SetMessagePresenter(previous); }

int TScriptedPresenter::Present(const TMessageRequest& request)
{
    shown.push_back(request);
    if (request.buttons & mbYes) {
        if (answers.empty())
            return mrNo;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    return mrOk;
}
