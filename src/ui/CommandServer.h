// TCommandServer: the window's side of the hand-over; it takes the command lines of runs started while the window owns the data folder.
#pragma once

#include "core/HandOver.h"
#include "core/Messages.h"

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;
class QTimer;

// What a handed-over run tells its caller (see core/HandOver.h for the
// records). Once finished, nothing more is sent; a caller that has gone is
// simply not told.
class THandOverReply {
public:
    explicit THandOverReply(QLocalSocket* socket);
    void Queued();
    void Begun();
    void Status(const std::string& line);
    void Message(const std::string& line);
    void Finish(int status);
    bool Finished() const { return finished; }

private:
    QPointer<QLocalSocket> socket;
    bool finished = false;
    void Send(const std::string& bytes);
};

// For its lifetime every message shown also goes to the caller of a
// handed-over run, as a headless run would print it, before it is shown.
class THandOverMessages : public IMessagePresenter {
public:
    explicit THandOverMessages(THandOverReply& reply);
    ~THandOverMessages() override;
    THandOverMessages(const THandOverMessages&) = delete;
    THandOverMessages& operator=(const THandOverMessages&) = delete;
    int Present(const TMessageRequest& request) override;

private:
    THandOverReply& reply;
    IMessagePresenter& shown;
};

class TCommandServer : public QObject {
    Q_OBJECT

public:
    struct THandlers {
        // True while the window cannot start a run: a dialog of its own is
        // open, or a step of its own is on.
        std::function<bool()> busy;
        // Carries the arguments out; may finish the reply itself.
        std::function<void(const handover::TRequest& request, THandOverReply& reply)> run;
        // A second start of the window: come to the front.
        std::function<void()> toFront;
    };

    explicit TCommandServer(THandlers handlers, QObject* parent = nullptr);
    ~TCommandServer() override;

    // Listens at the end point, in place of a socket a window that is gone
    // left there. False when it cannot.
    bool Listen(const std::string& endpoint);

private:
    struct TPending {
        QPointer<QLocalSocket> socket;
        handover::TRequest request;
        bool toldQueued = false;
    };

    THandlers handlers;
    QLocalServer* server = nullptr;
    QTimer* retry = nullptr;
    std::deque<TPending> queue;
    bool running = false;

    void Accept();
    void Take(QLocalSocket* socket, handover::TRequest request);
    void StartNext();
};
