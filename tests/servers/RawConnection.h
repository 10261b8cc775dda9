#pragma once
// A plain TCP client on 127.0.0.1, for checking the test servers' answers
// byte by byte: what arrived, whether the server closed or reset.

#include <QByteArray>

class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return connected_; }
    bool send(const QByteArray& bytes);
    // What arrives within `timeoutMs`: empty when nothing did, or when the
    // server closed (see closed()).
    QByteArray readSome(int timeoutMs);
    // Everything until the server closes, or until nothing has come for `idleMs`.
    QByteArray readToEnd(int idleMs = 10000);
    bool closed() const { return closed_; }  // the server closed or reset the connection
    bool reset() const { return reset_; }    // ... with a reset

private:
    int fd_ = -1;
    bool connected_ = false;
    bool closed_ = false;
    bool reset_ = false;
};

// A GET for `target` on a connection of its own, and all of its answer.
QByteArray RawGet(int port, const QByteArray& target);

// The answer's head, without the empty line; and its body.
QByteArray HeadOf(const QByteArray& answer);
QByteArray BodyOf(const QByteArray& answer);
