// The message presenter of the windowed program: a Qt message box placed over the window that asked.
#pragma once

#include "core/Messages.h"

#include <QPoint>
#include <QRect>
#include <QSize>

// Top-left corner of a message dialog of size dlg over the owner's frame:
// centred on the owner (halves with the fraction dropped), negative
// coordinates raised to 0, then moved as little as needed to lie wholly
// inside screen.
QPoint PlaceMessageDialog(const QRect& owner, const QSize& dlg, const QRect& screen);

class TQtMessagePresenter : public IMessagePresenter {
public:
    TQtMessagePresenter();              // installs itself
    ~TQtMessagePresenter() override;    // restores the console presenter

    TQtMessagePresenter(const TQtMessagePresenter&) = delete;
    TQtMessagePresenter& operator=(const TQtMessagePresenter&) = delete;

    // request.owner is the asking QWidget, or null to centre on the primary screen.
    int Present(const TMessageRequest& request) override;
};
