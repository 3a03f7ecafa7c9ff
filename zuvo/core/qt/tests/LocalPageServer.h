#pragma once
// A one-page HTTP server on 127.0.0.1 for the tests of the embedded browser:
// it answers every request with the same page.

#include <QByteArray>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <utility>

class LocalPageServer {
public:
    explicit LocalPageServer(QByteArray body = "<html><body>signed in</body></html>") : body_(std::move(body))
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                                  QByteArray::number(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_);
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }

private:
    QByteArray body_;
    QTcpServer server_;
};
