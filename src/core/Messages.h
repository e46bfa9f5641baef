// The one message dialog every part of the program speaks through, and its replaceable presenter.
#pragma once

#include <string>

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Button set, as bit flags.
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = unsigned;

// Modal results, numbered as the platform's dialog results (IDOK 1 ... IDYES 6, IDNO 7).
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// A window that owns a message, opaque below the user interface (the Qt
// presenter reads it as a QWidget*). Null means "centre on the screen".
using TOwner = void*;

struct TMessageRequest {
    std::string text;      // lines broken with CR LF
    std::string caption;   // already resolved: the caller's, or the kind's default
    TMsgDlgType kind = TMsgDlgType::mtInformation;
    std::string helpFile;
    int helpContext = 0;
    TOwner owner = nullptr;
    TMsgDlgButtons buttons = mbOK;
    unsigned sound = 0;   // the kind's system sound
};

class IMessagePresenter {
public:
    virtual ~IMessagePresenter() = default;
    // Shows the message modally (and plays its sound); returns the modal result.
    virtual int Present(const TMessageRequest& request) = 0;
};

// A message as one console line: "caption: text", its CR LF breaks as plain
// line ends.
std::string ConsoleMessageText(const TMessageRequest& request);

// Prints "caption: text" to standard error and answers every question No (OK for
// plain messages). Used when no window can be shown.
class TConsolePresenter : public IMessagePresenter {
public:
    int Present(const TMessageRequest& request) override;
};

// The presenter in force; the console presenter until another is set. The
// caller keeps ownership. Passing null restores the console presenter.
void SetMessagePresenter(IMessagePresenter* presenter);
IMessagePresenter& MessagePresenter();

unsigned MessageSound(TMsgDlgType kind);
std::string DefaultCaption(TMsgDlgType kind);   // "Warning", "Error", ... ; "Quillon" for custom

// How many error messages have been shown so far; a headless command line
// ends with a failure status when one of its runs reported an error.
int ErrorMessageCount();

int ShowMessageDlg(const std::string& text, const std::string& caption, TMsgDlgType kind,
                   const std::string& helpFile, int helpContext, TOwner owner, TMsgDlgButtons buttons);
void WarningDlg(const std::string& text, const std::string& caption, TOwner owner = nullptr);
void ErrorDlg(const std::string& text, const std::string& caption, TOwner owner = nullptr);
void InfoDlg(const std::string& text, const std::string& caption, TOwner owner = nullptr);
// True exactly when Yes was pressed.
bool ConfirmDlg(const std::string& text, const std::string& caption, TOwner owner = nullptr);

// Line break inside message texts.
inline constexpr const char* MsgBreak = "\r\n";

// The program's title, the caption of the error report.
inline constexpr const char* AppTitle = "Quillon";
// The report of a failure that carries no text of its own.
inline constexpr const char* UnexpectedErrorText = "Unexpected error.";
