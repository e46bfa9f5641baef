// TCommandServer: the local server a window listens on, its queue of handed-over command lines, and the replies to their callers.
#include "ui/CommandServer.h"

#include "core/HandOver.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QMetaObject>
#include <QTimer>

#include <memory>

namespace {

// How often a queued command line looks for the window to be free again.
constexpr int RetryMs = 100;

}   // namespace

// ---------------------------------------------------------------------------
// The reply

THandOverReply::THandOverReply(QLocalSocket* s) : socket(s) {}

void THandOverReply::Send(const std::string& bytes)
{
    if (finished || !socket || socket->state() != QLocalSocket::ConnectedState)
        return;
    socket->write(bytes.data(), qint64(bytes.size()));
    socket->flush();
}

void THandOverReply::Queued() { Send(handover::EncodeRecord(handover::TRecordType::Queued)); }

void THandOverReply::Begun() { Send(handover::EncodeRecord(handover::TRecordType::Begun)); }

void THandOverReply::Status(const std::string& line)
{
    Send(handover::EncodeRecord(handover::TRecordType::Status, line));
}

void THandOverReply::Message(const std::string& line)
{
    Send(handover::EncodeRecord(handover::TRecordType::Message, line));
}

void THandOverReply::Finish(int status)
{
    Send(handover::EncodeExit(status));
    finished = true;
    // Closes once everything written has gone out.
    if (socket)
        socket->disconnectFromServer();
}

// ---------------------------------------------------------------------------
// Messages

THandOverMessages::THandOverMessages(THandOverReply& r) : reply(r), shown(MessagePresenter())
{
    SetMessagePresenter(this);
}

THandOverMessages::~THandOverMessages() { SetMessagePresenter(&shown); }

int THandOverMessages::Present(const TMessageRequest& request)
{
    // Before it is shown: a message box can stay open a long time.
    reply.Message(ConsoleMessageText(request));
    return shown.Present(request);
}

// ---------------------------------------------------------------------------
// The server

TCommandServer::TCommandServer(THandlers h, QObject* parent)
    : QObject(parent), handlers(std::move(h)), server(new QLocalServer(this)), retry(new QTimer(this))
{
    server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server, &QLocalServer::newConnection, this, &TCommandServer::Accept);
    retry->setInterval(RetryMs);
    connect(retry, &QTimer::timeout, this, &TCommandServer::StartNext);
}

TCommandServer::~TCommandServer() = default;

bool TCommandServer::Listen(const std::string& endpoint)
{
    const QString name = QString::fromStdString(endpoint);
    if (server->listen(name))
        return true;
    // This window owns the folder, so a socket there is one a window that is
    // gone left behind.
    QLocalServer::removeServer(name);
    return server->listen(name);
}

void TCommandServer::Accept()
{
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<std::string>();
        auto read = [this, socket, buffer] {
            const QByteArray bytes = socket->readAll();
            buffer->append(bytes.constData(), size_t(bytes.size()));
            handover::TRequest request;
            switch (handover::DecodeRequest(*buffer, request)) {
            case handover::TDecoded::Incomplete:
                return;
            case handover::TDecoded::Malformed:
                socket->abort();
                return;
            case handover::TDecoded::Complete:
                disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
                Take(socket, std::move(request));
                return;
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0)
            read();
    }
}

void TCommandServer::Take(QLocalSocket* socket, handover::TRequest request)
{
    if (request.arguments.empty()) {
        if (handlers.toFront)
            handlers.toFront();
        THandOverReply(socket).Finish(0);
        return;
    }
    queue.push_back({socket, std::move(request)});
    StartNext();
}

void TCommandServer::StartNext()
{
    // A caller that left before its turn withdrew its command line.
    std::erase_if(queue, [](const TPending& p) {
        return !p.socket || p.socket->state() != QLocalSocket::ConnectedState;
    });
    if (queue.empty()) {
        retry->stop();
        return;
    }
    if (running || handlers.busy()) {
        for (TPending& pending : queue) {
            if (!pending.toldQueued)
                THandOverReply(pending.socket).Queued();
            pending.toldQueued = true;
        }
        if (!retry->isActive())
            retry->start();
        return;
    }
    retry->stop();
    TPending next = std::move(queue.front());
    queue.pop_front();

    running = true;
    const QPointer<TCommandServer> self(this);
    {
        THandOverReply reply(next.socket);
        reply.Begun();
        handlers.run(next.request, reply);
        if (!reply.Finished())
            reply.Finish(1);
    }
    if (!self)
        return;
    running = false;
    if (!queue.empty())
        QMetaObject::invokeMethod(this, &TCommandServer::StartNext, Qt::QueuedConnection);
}
