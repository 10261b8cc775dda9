#pragma once
// A loopback TCP port that refuses every connection: a socket bound to it
// that never listens, held for the object's life so that nothing else can
// take the port meanwhile. For pages whose addresses must fail to load.

class DeadPort {
public:
    DeadPort();
    ~DeadPort();
    DeadPort(const DeadPort&) = delete;
    DeadPort& operator=(const DeadPort&) = delete;

    int port() const { return port_; }  // 0 when no socket could be bound

private:
    int socket_ = -1;
    int port_ = 0;
};
