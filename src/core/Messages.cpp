// Message dialog front end: kinds, captions, sounds, buttons and the presenter seam.
#include "core/Messages.h"

#include <cstdio>

namespace {
TConsolePresenter consolePresenter;
IMessagePresenter* current = nullptr;
int errorMessages = 0;
}   // namespace

std::string ConsoleMessageText(const TMessageRequest& request)
{
    std::string text = request.caption + ": ";
    text.reserve(text.size() + request.text.size());
    for (size_t i = 0; i < request.text.size(); ++i)
        if (!(request.text[i] == '\r' && i + 1 < request.text.size() && request.text[i + 1] == '\n'))
            text += request.text[i];
    return text;
}

int TConsolePresenter::Present(const TMessageRequest& request)
{
    std::fprintf(stderr, "%s\n", ConsoleMessageText(request).c_str());
    std::fflush(stderr);
    if (request.buttons & mbNo)
        return mrNo;
    if (request.buttons & mbOK)
        return mrOk;
    return mrCancel;
}

void SetMessagePresenter(IMessagePresenter* presenter) { current = presenter; }

IMessagePresenter& MessagePresenter() { return current ? *current : consolePresenter; }

unsigned MessageSound(TMsgDlgType kind)
{
    switch (kind) {
    case TMsgDlgType::mtWarning:
        return 0x30;
    case TMsgDlgType::mtError:
        return 0x10;
    case TMsgDlgType::mtInformation:
        return 0x40;
    case TMsgDlgType::mtConfirmation:
        return 0x20;
    case TMsgDlgType::mtCustom:
        return 0;
    }
    return 0;
}

std::string DefaultCaption(TMsgDlgType kind)
{
    switch (kind) {
    case TMsgDlgType::mtWarning:
        return "Warning";
    case TMsgDlgType::mtError:
        return "Error";
    case TMsgDlgType::mtInformation:
        return "Information";
    case TMsgDlgType::mtConfirmation:
        return "Confirm";
    case TMsgDlgType::mtCustom:
        return AppTitle;
    }
    return AppTitle;
}

int ErrorMessageCount() { return errorMessages; }

int ShowMessageDlg(const std::string& text, const std::string& caption, TMsgDlgType kind,
                   const std::string& helpFile, int helpContext, TOwner owner, TMsgDlgButtons buttons)
{
    TMessageRequest request;
    request.text = text;
    request.caption = caption.empty() ? DefaultCaption(kind) : caption;
    request.kind = kind;
    request.helpFile = helpFile;
    request.helpContext = helpContext;
    request.owner = owner;
    request.buttons = buttons;
    request.sound = MessageSound(kind);
    if (kind == TMsgDlgType::mtError)
        ++errorMessages;
    return MessagePresenter().Present(request);
}

void WarningDlg(const std::string& text, const std::string& caption, TOwner owner)
{
    ShowMessageDlg(text, caption, TMsgDlgType::mtWarning, {}, 0, owner, mbOK);
}

void ErrorDlg(const std::string& text, const std::string& caption, TOwner owner)
{
    ShowMessageDlg(text, caption, TMsgDlgType::mtError, {}, 0, owner, mbOK);
}

void InfoDlg(const std::string& text, const std::string& caption, TOwner owner)
{
    ShowMessageDlg(text, caption, TMsgDlgType::mtInformation, {}, 0, owner, mbOK);
}

bool ConfirmDlg(const std::string& text, const std::string& caption, TOwner owner)
{
    return ShowMessageDlg(text, caption, TMsgDlgType::mtConfirmation, {}, 0, owner, mbYes | mbNo) == mrYes;
}
