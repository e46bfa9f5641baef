// The message presenter of the windowed program: a Qt message box placed over the window that asked.
#pragma once

#include "core/Messages.h"

class QFont;
class QString;

// The width a message box needs for its caption: the title bar, titleBar
// pixels high (0 when not known), shows it in a bold font of the window
// manager's between the window's icon and its buttons; font is the box's.
int CaptionWidth(const QString& caption, const QFont& font, int titleBar);

class TQtMessagePresenter : public IMessagePresenter {
public:
    TQtMessagePresenter();             // installs itself
    ~TQtMessagePresenter() override;   // restores the console presenter

    TQtMessagePresenter(const TQtMessagePresenter&) = delete;
    TQtMessagePresenter& operator=(const TQtMessagePresenter&) = delete;

    // request.owner is the asking QWidget, or null to centre on the primary
    // screen; the box's frame is centred over the owner's (CentreOver).
    int Present(const TMessageRequest& request) override;
};
